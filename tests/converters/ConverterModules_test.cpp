// The two converter modules called as the program calls them, with fake
// tools in place of LibreOffice and antiword: what they recognise, what they
// run, what they hand back, how they fail and how they stop; and, when it is
// installed, with LibreOffice itself.
#include "ConverterAbi.h"
#include "support/OfficeStandIn.h"
#include "support/ScopedEnv.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using qp::test::ScopedEnv;

namespace {

const char* const LibreOffice = "MSWRD832.CNV";
const char* const Antiword = "MSWRD632.WPC";

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The pieces the converter passed out, as the program's callback receives them.
struct Received {
    QpBlock* transfer = nullptr;
    QByteArray bytes;
    int pieces = 0;
    int largestPiece = 0;
};
Received* s_received = nullptr;

int32_t receive(int32_t count, int32_t)
{
    s_received->bytes.append(reinterpret_cast<const char*>(s_received->transfer->bytes), count);
    ++s_received->pieces;
    s_received->largestPiece = std::max(s_received->largestPiece, int(count));
    return 0;
}

struct Outcome {
    bool recognised = false;
    int32_t result = -100;
    Received received;
};

class Module {
public:
    explicit Module(const char* name) : m_library(QStringLiteral(QP_CONVERTER_DIR "/") + QLatin1String(name))
    {
        if (!m_library.load())
            return;
        m_init = reinterpret_cast<QpInitConverter32>(m_library.resolve(QP_INIT_CONVERTER));
        m_isFormatCorrect = reinterpret_cast<QpIsFormatCorrect32>(m_library.resolve(QP_IS_FORMAT_CORRECT));
        m_foreignToRtf = reinterpret_cast<QpForeignToRtf32>(m_library.resolve(QP_FOREIGN_TO_RTF));
        m_cancel = reinterpret_cast<QpCancelConverter32>(m_library.resolve(QP_CANCEL_CONVERTER));
        m_export = reinterpret_cast<QpRtfToForeign32>(m_library.resolve(QP_RTF_TO_FOREIGN));
    }
    // Unloading ends whatever the module keeps running.
    ~Module() { unload(); }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;
    void unload()
    {
        if (m_library.isLoaded())
            m_library.unload();
    }
    bool complete() const { return m_init && m_isFormatCorrect && m_foreignToRtf && m_cancel; }
    void cancel() { m_cancel(); }
    bool exports() const { return m_export != nullptr; }

    int32_t exportRtf(const QString& rtfFile, const QString& target, int32_t format)
    {
        const QByteArray rtfName = QFile::encodeName(rtfFile);
        const QByteArray targetName = QFile::encodeName(target);
        std::vector<unsigned char> rtfBytes(size_t(rtfName.size()) * 2 + 1, 0);
        std::vector<unsigned char> targetBytes(size_t(targetName.size()) * 2 + 1, 0);
        std::memcpy(rtfBytes.data(), rtfName.constData(), size_t(rtfName.size()));
        std::memcpy(targetBytes.data(), targetName.constData(), size_t(targetName.size()));
        QpBlock rtfBlock{rtfBytes.data(), rtfBytes.size()};
        QpBlock targetBlock{targetBytes.data(), targetBytes.size()};
        return m_export(&rtfBlock, &targetBlock, format);
    }
    // Whether the module could export now, without writing anything.
    int32_t canExport() { return m_export(nullptr, nullptr, QP_EXPORT_PDF); }

    bool recognises(const QString& fileName)
    {
        const QByteArray name = QFile::encodeName(fileName);
        std::vector<unsigned char> nameBytes(size_t(name.size()) * 2 + 1, 0);
        std::memcpy(nameBytes.data(), name.constData(), size_t(name.size()));
        unsigned char empty = 0;
        QpBlock nameBlock{nameBytes.data(), nameBytes.size()};
        QpBlock classBlock{&empty, 1};
        return m_init(0, "/USR/BIN/QUILLPRESS") != 0 && m_isFormatCorrect(&nameBlock, &classBlock) != 0;
    }

    Outcome convert(const QString& fileName)
    {
        Outcome outcome;
        outcome.recognised = recognises(fileName);
        const QByteArray name = QFile::encodeName(fileName);
        std::vector<unsigned char> nameBytes(size_t(name.size()) * 2 + 1, 0);
        std::memcpy(nameBytes.data(), name.constData(), size_t(name.size()));
        std::vector<unsigned char> transferBytes(QP_TRANSFER_SIZE + 1, 0);
        unsigned char className = 0;
        unsigned char subset = 0;
        QpBlock nameBlock{nameBytes.data(), nameBytes.size()};
        QpBlock transfer{transferBytes.data(), transferBytes.size()};
        QpBlock classBlock{&className, 1};
        QpBlock subsetBlock{&subset, 1};
        outcome.received.transfer = &transfer;
        s_received = &outcome.received;
        outcome.result = m_foreignToRtf(&nameBlock, nullptr, &transfer, &classBlock, &subsetBlock, &receive);
        s_received = nullptr;
        return outcome;
    }

private:
    QLibrary m_library;
    QpInitConverter32 m_init = nullptr;
    QpIsFormatCorrect32 m_isFormatCorrect = nullptr;
    QpForeignToRtf32 m_foreignToRtf = nullptr;
    QpCancelConverter32 m_cancel = nullptr;
    QpRtfToForeign32 m_export = nullptr;
};

QByteArray wordFixture()
{
    return readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/formatted.doc"));
}

// The fixture with its Word stream named in other capitals, as some writers
// name it; compound-file names compare without regard to case.
QByteArray wordFixtureNamingItsStream(const char* name)
{
    const auto utf16 = [](const char* text) {
        QByteArray bytes;
        for (const char* c = text; *c; ++c)
            bytes += *c, bytes += '\0';
        return bytes;
    };
    QByteArray bytes = wordFixture();
    bytes.replace(utf16("WordDocument"), utf16(name));
    return bytes;
}

// A zip whose first entry is stored as it is, as OpenDocument and Office files begin.
QByteArray zipWithFirstEntry(const QByteArray& name, const QByteArray& data)
{
    QByteArray header("PK\x03\x04", 4);
    header += QByteArray(22, '\0');
    header += char(name.size());
    header += '\0';
    header += QByteArray(2, '\0');
    return header + name + data + QByteArray(64, '\0');
}

// A WordPerfect file's header: its mark, a pointer, the product (1) and the file type (10, a document).
QByteArray wordPerfect(char fileType)
{
    QByteArray bytes("\xFFWPC\x10\x00\x00\x00\x01", 9);
    bytes += fileType;
    bytes += QByteArray("\x02\x01", 2) + QByteArray(64, '\0');
    return bytes;
}

// A compound file holding an encrypted Office package, as a protected .docx is stored.
QByteArray encryptedPackage()
{
    const auto entry = [](const char* name) {
        QByteArray bytes(128, '\0');
        for (int i = 0; name[i]; ++i)
            bytes[2 * i] = name[i];
        return bytes;
    };
    QByteArray bytes = readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/binary.doc")).left(512);
    return bytes + entry("\x06" "DataSpaces") + entry("EncryptionInfo") + entry("EncryptedPackage") + QByteArray(512, '\0');
}

QByteArray compoundFileWithoutWordStream()
{
    return readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/binary.doc"));
}

class ConverterModules : public ::testing::Test {
protected:
    QString writeFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            ADD_FAILURE() << "cannot write " << qPrintable(path);
        return path;
    }
    // An executable shell script standing in for a tool.
    QString writeTool(const QString& name, const QByteArray& body)
    {
        const QString path = writeFile(name, "#!/bin/sh\n" + body);
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
        return path;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

// ---------------------------------------------------------------- recognition

struct RecogniseCase {
    const char* name;
    const char* module;
    QByteArray bytes;
    bool toolInstalled;
    bool recognised;
};

void PrintTo(const RecogniseCase& c, std::ostream* out)
{
    *out << c.name;
}

class Recognition : public ConverterModules, public ::testing::WithParamInterface<RecogniseCase> {};

// By content, not name; and never when the tool that would do the work is missing.
TEST_P(Recognition, ByContentAndTool)
{
    const RecogniseCase& c = GetParam();
    const QByteArray tool = c.toolInstalled ? QByteArray("/bin/true") : QByteArray("/nonexistent/tool");
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool);
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", tool);
    const ScopedEnv wv("QUILLPRESS_WV", tool);
    Module module(c.module);
    ASSERT_TRUE(module.complete());
    EXPECT_EQ(module.recognises(writeFile(QStringLiteral("file.doc"), c.bytes)), c.recognised);
}

INSTANTIATE_TEST_SUITE_P(
    , Recognition,
    ::testing::Values(
        RecogniseCase{"LibreOfficeWord", LibreOffice, wordFixture(), true, true},
        RecogniseCase{"LibreOfficeWordStreamInSmallLetters", LibreOffice, wordFixtureNamingItsStream("worddocument"),
                      true, true},
        RecogniseCase{"LibreOfficeDocx", LibreOffice, zipWithFirstEntry("[Content_Types].xml", "word/document.xml"), true, true},
        RecogniseCase{"LibreOfficeOdt", LibreOffice,
                      zipWithFirstEntry("mimetype", "application/vnd.oasis.opendocument.text"), true, true},
        RecogniseCase{"LibreOfficeOtherZip", LibreOffice, zipWithFirstEntry("data.csv", "a,b"), true, false},
        RecogniseCase{"LibreOfficeOtherCompoundFile", LibreOffice, compoundFileWithoutWordStream(), true, false},
        RecogniseCase{"LibreOfficeText", LibreOffice, "plain words, really text", true, false},
        RecogniseCase{"LibreOfficeEmpty", LibreOffice, "", true, false},
        RecogniseCase{"LibreOfficeMissing", LibreOffice, wordFixture(), false, false},
        RecogniseCase{"LibreOfficeStarWriter", LibreOffice, zipWithFirstEntry("mimetype", "application/vnd.sun.xml.writer"),
                      true, true},
        RecogniseCase{"LibreOfficeStarCalc", LibreOffice, zipWithFirstEntry("mimetype", "application/vnd.sun.xml.calc"),
                      true, false},
        RecogniseCase{"LibreOfficeOpenDocumentSpreadsheet", LibreOffice,
                      zipWithFirstEntry("mimetype", "application/vnd.oasis.opendocument.spreadsheet"), true, false},
        RecogniseCase{"LibreOfficeWordPerfect", LibreOffice, wordPerfect(10), true, true},
        RecogniseCase{"LibreOfficeWordPerfectGraphic", LibreOffice, wordPerfect(22), true, false},
        RecogniseCase{"LibreOfficeRtf", LibreOffice, "{\\rtf1 rich text named .doc}", true, false},
        RecogniseCase{"LibreOfficeProtectedDocx", LibreOffice, encryptedPackage(), true, true},
        RecogniseCase{"AntiwordProtectedDocx", Antiword, encryptedPackage(), true, false},
        RecogniseCase{"AntiwordWordPerfect", Antiword, wordPerfect(10), true, false},
        RecogniseCase{"AntiwordWord", Antiword, wordFixture(), true, true},
        RecogniseCase{"AntiwordWordStreamInCapitals", Antiword, wordFixtureNamingItsStream("WORDDOCUMENT"), true, true},
        RecogniseCase{"AntiwordDocx", Antiword, zipWithFirstEntry("[Content_Types].xml", "word/document.xml"), true, false},
        RecogniseCase{"AntiwordOtherCompoundFile", Antiword, compoundFileWithoutWordStream(), true, false},
        RecogniseCase{"AntiwordText", Antiword, "{\\rtf1 rich text named .doc}", true, false},
        RecogniseCase{"AntiwordMissing", Antiword, wordFixture(), false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConverterModules, AFileThatIsNotThereIsNotRecognised)
{
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", "/bin/true");
    Module module(Antiword);
    EXPECT_FALSE(module.recognises(path(QStringLiteral("gone.doc"))));
}

// ---------------------------------------------------------------- antiword

// antiword's UTF-8 lines become RTF paragraphs; RTF's own characters are
// escaped, the rest of Unicode goes as \uN (two for a character past 16 bits).
TEST_F(ConverterModules, AntiwordTextBecomesRtfParagraphs)
{
    const QString arguments = path(QStringLiteral("arguments"));
    const QString tool = writeTool(QStringLiteral("antiword"),
                                   "printf '%s\\n' \"$@\" > '" + arguments.toUtf8() + "'\n"
                                   "printf '\\n\\nFirst {line} with \\\\ back\\tslash\\n\\nCaf\\303\\251 \\360\\237\\230\\200\\n\\n'\n");
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", tool.toUtf8());
    const ScopedEnv wv("QUILLPRESS_WV", "/nonexistent/wvWare");
    const QString doc = writeFile(QStringLiteral("-starts-with-a-dash.doc"), wordFixture());
    const QString current = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
    const Outcome outcome = Module(Antiword).convert(QStringLiteral("-starts-with-a-dash.doc"));
    QDir::setCurrent(current);

    ASSERT_TRUE(outcome.recognised);
    ASSERT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.received.bytes, "{\\rtf1\\ansi\\uc1\n"
                                      "First \\{line\\} with \\\\ back\\tab slash\\par\n"
                                      "\\par\n"
                                      "Caf\\u233? \\u-10179?\\u-8704?}");
    EXPECT_EQ(readAll(arguments), "-m\nUTF-8.txt\n-w\n0\n" + QFile::encodeName(doc) + "\n");
}

// Output of any size goes out whole in pieces that fit the transfer block.
TEST_F(ConverterModules, LargeOutputInTransferSizedPieces)
{
    const QString tool = writeTool(QStringLiteral("antiword"),
                                   "i=0\nwhile [ $i -lt 9000 ]; do echo \"Line $i of a long document, long enough.\"; "
                                   "i=$((i+1)); done\n");
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", tool.toUtf8());
    const ScopedEnv wv("QUILLPRESS_WV", "/nonexistent/wvWare");

    const Outcome outcome = Module(Antiword).convert(writeFile(QStringLiteral("long.doc"), wordFixture()));

    ASSERT_EQ(outcome.result, 0);
    EXPECT_GT(outcome.received.bytes.size(), 400000);
    EXPECT_EQ(outcome.received.largestPiece, QP_TRANSFER_SIZE);
    EXPECT_EQ(outcome.received.bytes.count("\\par\n"), 8999);
    EXPECT_TRUE(outcome.received.bytes.endsWith("Line 8999 of a long document, long enough.}"));
}

// ---------------------------------------------------------------- LibreOffice


// A stand-in for soffice that does what the real one does with these
// arguments: the input converted into --outdir, and a lock file beside the
// input. Each conversion appends its arguments to `record`, one a line, and a
// line "--" after them.
QByteArray fakeSoffice(const QString& servers, const QString& record, const QByteArray& rtf)
{
    return qp::test::officeServerScript(servers) +
           "printf '%s\\n' \"$@\" -- >> '" + record.toUtf8() + "'\n"
           "while [ $# -gt 1 ]; do\n"
           "  case \"$1\" in --outdir) out=\"$2\"; shift;; esac\n"
           "  shift\n"
           "done\n"
           "in=\"$1\"\n"
           "touch \"$(dirname \"$in\")/.~lock.$(basename \"$in\")#\"\n"
           "base=$(basename \"$in\"); base=${base%.*}\n"
           "printf '%s' '" + rtf + "' > \"$out/$base.rtf\"\n";
}

// The arguments of each conversion the fake soffice was asked for.
QList<QStringList> conversions(const QString& record)
{
    QList<QStringList> calls(1);
    for (const QString& line : QString::fromUtf8(readAll(record)).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line == QLatin1String("--"))
            calls.append(QStringList());
        else
            calls.last().append(line);
    }
    calls.removeLast();
    return calls;
}

QList<pid_t> pidsIn(const QString& file)
{
    QList<pid_t> pids;
    for (const QByteArray& line : readAll(file).split('\n')) {
        if (!line.trimmed().isEmpty())
            pids.append(pid_t(line.trimmed().toInt()));
    }
    return pids;
}

using qp::test::isRunningNow;

// Whether the process still runs after `waitMs`: a killed process goes once
// the system has delivered the signal, a moment later.
bool isRunning(pid_t pid, int waitMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < waitMs) {
        if (!isRunningNow(pid))
            return false;
        QThread::msleep(10);
    }
    return isRunningNow(pid);
}

TEST_F(ConverterModules, LibreOfficeConvertsACopyInAPrivateFolder)
{
    const QString servers = path(QStringLiteral("servers"));
    const QString record = path(QStringLiteral("arguments"));
    const QString tool = writeTool(QStringLiteral("soffice"), fakeSoffice(servers, record, "{\\rtf1 converted {\\b text}}"));
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool.toUtf8());
    QTemporaryDir documents;
    const QString doc = documents.filePath(QStringLiteral("My report.doc"));
    QFile::copy(QStringLiteral(QP_TEST_DATA_DIR "/word/formatted.doc"), doc);

    const Outcome outcome = Module(LibreOffice).convert(doc);

    ASSERT_TRUE(outcome.recognised);
    ASSERT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.received.bytes, "{\\rtf1 converted {\\b text}}");
    const QList<QStringList> calls = conversions(record);
    ASSERT_EQ(calls.size(), 1);
    const QStringList& arguments = calls.first();
    EXPECT_TRUE(arguments.contains("--headless"));
    const int convertTo = arguments.indexOf("--convert-to");
    ASSERT_GE(convertTo, 0);
    EXPECT_EQ(arguments.value(convertTo + 1), "rtf");
    // A copy of the document in a private folder that is gone afterwards, and a private profile.
    const QString input = arguments.last();
    EXPECT_NE(input, doc);
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(input).absolutePath()));
    const QString profile = arguments.filter(QStringLiteral("-env:UserInstallation=")).value(0);
    EXPECT_TRUE(profile.startsWith("-env:UserInstallation=file://")) << qPrintable(profile);
    EXPECT_FALSE(profile.contains(documents.path()));
    EXPECT_EQ(QDir(documents.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"My report.doc"});
    EXPECT_EQ(readAll(doc), wordFixture());
}

// One LibreOffice takes every conversion: started by the first, handed the
// later ones through its profile, and ended, its private folder with it, when
// the module is unloaded.
TEST_F(ConverterModules, LibreOfficeIsKeptForLaterConversionsUntilTheModuleGoes)
{
    const QString servers = path(QStringLiteral("servers"));
    const QString record = path(QStringLiteral("arguments"));
    const QString tool = writeTool(QStringLiteral("soffice"), fakeSoffice(servers, record, "{\\rtf1 text}"));
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool.toUtf8());
    const QString doc = writeFile(QStringLiteral("report.doc"), wordFixture());

    Module module(LibreOffice);
    // The first on a worker thread that is gone before the second: the instance outlives it.
    std::thread([&] { EXPECT_EQ(module.convert(doc).result, 0); }).join();
    EXPECT_EQ(module.convert(doc).result, 0);

    const QList<pid_t> started = pidsIn(servers);
    ASSERT_EQ(started.size(), 1);
    EXPECT_TRUE(isRunningNow(started.first()));
    const QList<QStringList> calls = conversions(record);
    ASSERT_EQ(calls.size(), 2);
    const QString profile = calls[0].filter(QStringLiteral("-env:UserInstallation=")).value(0);
    EXPECT_EQ(calls[1].filter(QStringLiteral("-env:UserInstallation=")).value(0), profile);
    const QString folder = QFileInfo(profile.mid(int(strlen("-env:UserInstallation=file://")))).absolutePath();
    EXPECT_TRUE(QFileInfo(folder).isDir());

    module.unload();
    EXPECT_FALSE(isRunning(started.first(), 1000));
    EXPECT_FALSE(QFileInfo::exists(folder));
}

TEST_F(ConverterModules, LibreOfficeEndsWhenIdle)
{
    const QString servers = path(QStringLiteral("servers"));
    const QString tool = writeTool(QStringLiteral("soffice"),
                                   fakeSoffice(servers, path(QStringLiteral("arguments")), "{\\rtf1 text}"));
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool.toUtf8());
    const ScopedEnv idle("QUILLPRESS_CONVERTER_IDLE", "0.3");

    Module module(LibreOffice);
    ASSERT_EQ(module.convert(writeFile(QStringLiteral("report.doc"), wordFixture())).result, 0);
    const QList<pid_t> started = pidsIn(servers);
    ASSERT_EQ(started.size(), 1);
    EXPECT_FALSE(isRunning(started.first(), 3000));
    // The next conversion simply starts another.
    EXPECT_EQ(module.convert(writeFile(QStringLiteral("report.doc"), wordFixture())).result, 0);
    EXPECT_EQ(pidsIn(servers).size(), 2);
}

// Run as a program of its own by the next test: converts once, so that
// LibreOffice is kept, and waits to be killed.
TEST_F(ConverterModules, HelperConvertsAndWaits)
{
    const QByteArray doc = qgetenv("QP_TEST_KILLED_HELPER");
    if (doc.isEmpty())
        GTEST_SKIP() << "only run by KilledProgramLeavesNoLibreOffice";
    Module module(LibreOffice);
    ASSERT_EQ(module.convert(QString::fromUtf8(doc)).result, 0);
    QThread::sleep(300);
}

// However the program ends, even killed, the LibreOffice it kept ends with it.
TEST_F(ConverterModules, KilledProgramLeavesNoLibreOffice)
{
    const QString servers = path(QStringLiteral("servers"));
    const QString record = path(QStringLiteral("arguments"));
    const QString tool = writeTool(QStringLiteral("soffice"), fakeSoffice(servers, record, "{\\rtf1 text}"));
    QProcess helper;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUILLPRESS_SOFFICE"), tool);
    environment.insert(QStringLiteral("QP_TEST_KILLED_HELPER"), writeFile(QStringLiteral("report.doc"), wordFixture()));
    helper.setProcessEnvironment(environment);
    helper.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=ConverterModules.HelperConvertsAndWaits")});
    ASSERT_TRUE(helper.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    while (conversions(record).isEmpty() && waited.elapsed() < 20000)
        QThread::msleep(20);
    QThread::msleep(200);  // the conversion hands its result back
    const QList<pid_t> started = pidsIn(servers);
    ASSERT_EQ(started.size(), 1);
    EXPECT_TRUE(isRunningNow(started.first()));

    ::kill(pid_t(helper.processId()), SIGKILL);
    helper.waitForFinished();

    EXPECT_FALSE(isRunning(started.first(), 1000));
}

// The kept LibreOffice's folder is named after the program's process, so that
// one left by a killed program is cleared by the next; a running program's is kept.
TEST_F(ConverterModules, FoldersOfKilledProgramsAreCleared)
{
    QTemporaryDir temp;
    const ScopedEnv tmpdir("TMPDIR", temp.path().toUtf8());
    QProcess ended;
    ended.start(QStringLiteral("/bin/sleep"), {QStringLiteral("0.05")});
    ASSERT_TRUE(ended.waitForStarted());
    const qint64 endedPid = ended.processId();
    ASSERT_TRUE(ended.waitForFinished());
    const QString left = temp.filePath(QStringLiteral("quillpress-office-%1-aBcDeF").arg(endedPid));
    const QString running = temp.filePath(QStringLiteral("quillpress-office-%1-GhIjKl").arg(::getpid()));
    const QString other = temp.filePath(QStringLiteral("someone-elses-%1").arg(endedPid));
    for (const QString& folder : {left, running, other}) {
        ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/profile/user")));
    }
    // The pipe the killed program's LibreOffice listened on, and one of the running program's.
    const auto pipeOf = [](const QString& folder) {
        return QStringLiteral("/tmp/OSL_PIPE_%1_%2-1").arg(::getuid()).arg(QFileInfo(folder).fileName());
    };
    for (const QString& folder : {left, running})
        ASSERT_TRUE(QFile(pipeOf(folder)).open(QIODevice::WriteOnly));
    const auto removePipes = qScopeGuard([&] {
        QFile::remove(pipeOf(left));
        QFile::remove(pipeOf(running));
    });
    const QString tool = writeTool(QStringLiteral("soffice"), fakeSoffice(path(QStringLiteral("servers")),
                                                                         path(QStringLiteral("arguments")), "{\\rtf1 x}"));
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool.toUtf8());

    Module module(LibreOffice);
    ASSERT_EQ(module.convert(writeFile(QStringLiteral("report.doc"), wordFixture())).result, 0);

    EXPECT_FALSE(QFileInfo::exists(left));
    EXPECT_FALSE(QFileInfo::exists(pipeOf(left)));
    EXPECT_TRUE(QFileInfo::exists(running));
    EXPECT_TRUE(QFileInfo::exists(pipeOf(running)));
    EXPECT_TRUE(QFileInfo::exists(other));
}

// A soffice that cannot stay (it ends at once) still converts, on its own.
// A pipe left by a killed program whose process id this one now has is not
// taken for a ready instance either.
TEST_F(ConverterModules, LibreOfficeThatCannotStayConvertsOnItsOwn)
{
    QStringList stale;
    for (int n = 1; n <= 20; ++n) {
        stale << QStringLiteral("/tmp/OSL_PIPE_%1_quillpress-%2-%3").arg(::getuid()).arg(::getpid()).arg(n);
        QFile(stale.last()).open(QIODevice::WriteOnly);
    }
    const auto removeStale = qScopeGuard([&] {
        for (const QString& name : stale)
            QFile::remove(name);
    });
    const QString record = path(QStringLiteral("arguments"));
    const QString tool = writeTool(QStringLiteral("soffice"),
                                   "case \"$*\" in *--accept=*) exit 0;; esac\n" +
                                       fakeSoffice(path(QStringLiteral("servers")), record, "{\\rtf1 alone}"));
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool.toUtf8());

    const Outcome outcome = Module(LibreOffice).convert(writeFile(QStringLiteral("report.doc"), wordFixture()));

    ASSERT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.received.bytes, "{\\rtf1 alone}");
    const QList<QStringList> calls = conversions(record);
    ASSERT_EQ(calls.size(), 1);
    // A profile of its own in the conversion's folder, gone with it.
    const QString profile = calls[0].filter(QStringLiteral("-env:UserInstallation=")).value(0);
    EXPECT_EQ(profile, "-env:UserInstallation=file://" + QFileInfo(calls[0].last()).absolutePath() + "/profile");
}

// ---------------------------------------------------------------- failures

struct FailureCase {
    const char* name;
    const char* module;
    QByteArray tool;  // the fake tool's script
};

void PrintTo(const FailureCase& c, std::ostream* out)
{
    *out << c.name;
}

class ToolFailure : public ConverterModules, public ::testing::WithParamInterface<FailureCase> {};

// A tool that fails, writes nothing or something else than RTF is an error,
// and nothing reaches the program.
TEST_P(ToolFailure, IsAnErrorWithNoOutput)
{
    const FailureCase& c = GetParam();
    const QString tool = writeTool(QStringLiteral("tool"), qp::test::officeServerScript(path(QStringLiteral("servers"))) + c.tool);
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool.toUtf8());
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", tool.toUtf8());
    const ScopedEnv wv("QUILLPRESS_WV", tool.toUtf8());

    const Outcome outcome = Module(c.module).convert(writeFile(QStringLiteral("report.doc"), wordFixture()));

    EXPECT_TRUE(outcome.recognised);
    EXPECT_NE(outcome.result, 0);
    EXPECT_EQ(outcome.received.bytes, QByteArray());
}

INSTANTIATE_TEST_SUITE_P(
    , ToolFailure,
    ::testing::Values(FailureCase{"AntiwordExitsWithAnError", Antiword, "echo 'Some text'\nexit 1\n"},
                      FailureCase{"AntiwordPrintsNothing", Antiword, "exit 0\n"},
                      FailureCase{"LibreOfficeWritesNothing", LibreOffice, "exit 0\n"},
                      FailureCase{"LibreOfficeExitsWithAnError", LibreOffice, "exit 81\n"},
                      FailureCase{"LibreOfficeWritesNoRtf", LibreOffice,
                                  "while [ $# -gt 1 ]; do case \"$1\" in --outdir) out=\"$2\";; esac; shift; done\n"
                                  "echo 'Error: source file could not be loaded' > \"$out/document.rtf\"\n"}),
    [](const auto& info) { return std::string(info.param.name); });

class HangingTool : public ConverterModules, public ::testing::WithParamInterface<const char*> {};

// Past the time limit the tool and everything it started are stopped.
TEST_P(HangingTool, IsStoppedWithItsChildren)
{
    const QString pids = path(QStringLiteral("pids"));
    const QString tool = writeTool(QStringLiteral("tool"), qp::test::officeServerScript(path(QStringLiteral("servers"))) +
                                                           "sleep 300 &\necho $! > '" + pids.toUtf8() + "'\n"
                                                           "echo $$ >> '" + pids.toUtf8() + "'\n"
                                                           "echo 'some text'\nwait\n");
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool.toUtf8());
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", tool.toUtf8());
    const ScopedEnv wv("QUILLPRESS_WV", tool.toUtf8());
    const ScopedEnv limit("QUILLPRESS_CONVERTER_TIMEOUT", "0.5");

    const Outcome outcome = Module(GetParam()).convert(writeFile(QStringLiteral("report.doc"), wordFixture()));

    EXPECT_NE(outcome.result, 0);
    EXPECT_EQ(outcome.received.bytes, QByteArray());
    const QList<QByteArray> started = readAll(pids).split('\n');
    ASSERT_GE(started.size(), 2);
    for (const QByteArray& pid : started) {
        if (!pid.isEmpty()) {
            EXPECT_FALSE(isRunning(pid_t(pid.toInt()))) << "process " << pid.constData() << " still runs";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(, HangingTool, ::testing::Values(LibreOffice, Antiword),
                         [](const auto& info) { return std::string(info.param == LibreOffice ? "LibreOffice" : "Antiword"); });

class Cancel : public ConverterModules, public ::testing::WithParamInterface<const char*> {};

// Cancelled from another thread, the conversion answers CANCELLED within a
// second, and nothing the module started runs on: not the tool, not what
// the tool started, not the LibreOffice kept for later.
TEST_P(Cancel, StopsEveryProcessWithinASecond)
{
    const QString pids = path(QStringLiteral("pids"));
    const QString servers = path(QStringLiteral("servers"));
    const QString tool = writeTool(QStringLiteral("tool"), qp::test::officeServerScript(servers) +
                                                           "sleep 300 &\necho $! >> '" + pids.toUtf8() + "'\n"
                                                           "echo $$ >> '" + pids.toUtf8() + "'\nwait\n");
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool.toUtf8());
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", tool.toUtf8());
    Module module(GetParam());
    const QString doc = writeFile(QStringLiteral("report.doc"), wordFixture());

    Outcome outcome;
    std::thread worker([&] { outcome = module.convert(doc); });
    QElapsedTimer waited;
    waited.start();
    while (pidsIn(pids).size() < 2 && waited.elapsed() < 20000)
        QThread::msleep(10);
    const QList<pid_t> started = pidsIn(pids) + pidsIn(servers);
    QElapsedTimer timer;
    timer.start();
    module.cancel();
    worker.join();

    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(outcome.result, QP_RESULT_CANCELLED);
    EXPECT_EQ(outcome.received.bytes, QByteArray());
    ASSERT_GE(started.size(), 2);
    for (const pid_t pid : started)
        EXPECT_FALSE(isRunning(pid, std::max(0, 1000 - int(timer.elapsed())))) << "process " << pid << " still runs";

    // A cancel with nothing under way changes nothing; the next conversion works again.
    module.cancel();
    const QString quick = writeTool(QStringLiteral("quick"), qp::test::officeServerScript(servers) +
                                                             "while [ $# -gt 1 ]; do case \"$1\" in --outdir) out=\"$2\";; esac; shift; done\n"
                                                             "[ -n \"$out\" ] && printf '%s' '{\\rtf1 again}' > \"$out/document.rtf\"\n"
                                                             "echo again\n");
    const ScopedEnv quickSoffice("QUILLPRESS_SOFFICE", quick.toUtf8());
    const ScopedEnv quickAntiword("QUILLPRESS_ANTIWORD", quick.toUtf8());
    EXPECT_EQ(module.convert(doc).result, 0);
}

INSTANTIATE_TEST_SUITE_P(, Cancel, ::testing::Values(LibreOffice, Antiword),
                         [](const auto& info) { return std::string(info.param == LibreOffice ? "LibreOffice" : "Antiword"); });

// ---------------------------------------------------------------- reasons

// A file that no LibreOffice could read without a password: the converter
// says so without running anything.
struct ReasonCase {
    const char* name;
    QByteArray bytes;
    QByteArray tool;  // the fake soffice's conversion; empty: none installed
    int32_t result;
};

void PrintTo(const ReasonCase& c, std::ostream* out)
{
    *out << c.name;
}

class Reason : public ConverterModules, public ::testing::WithParamInterface<ReasonCase> {};

TEST_P(Reason, IsTheResult)
{
    const ReasonCase& c = GetParam();
    const QString ran = path(QStringLiteral("ran"));
    const QString tool = writeTool(QStringLiteral("soffice"), qp::test::officeServerScript(path(QStringLiteral("servers"))) +
                                                              "echo yes >> '" + ran.toUtf8() + "'\n" + c.tool);
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", c.tool.isEmpty() ? QByteArray("/nonexistent/soffice") : tool.toUtf8());

    const Outcome outcome = Module(LibreOffice).convert(writeFile(QStringLiteral("report.doc"), c.bytes));

    EXPECT_EQ(outcome.result, c.result);
    EXPECT_EQ(outcome.received.bytes, QByteArray());
    if (c.result == QP_RESULT_PASSWORD) {
        EXPECT_TRUE(outcome.recognised);  // so that the reason reaches the program
        EXPECT_FALSE(QFileInfo::exists(ran)) << "LibreOffice ran on a protected file";
    }
}

INSTANTIATE_TEST_SUITE_P(
    , Reason,
    ::testing::Values(
        ReasonCase{"ProtectedWord97", readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/protected.doc")), "exit 0\n",
                   QP_RESULT_PASSWORD},
        // Saved by LibreOffice with a password: encrypted for real.
        ReasonCase{"ProtectedByLibreOffice", readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/password.doc")), "exit 0\n",
                   QP_RESULT_PASSWORD},
        ReasonCase{"ProtectedDocx", encryptedPackage(), "exit 0\n", QP_RESULT_PASSWORD},
        ReasonCase{"ProtectedOdt", readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/protected.odt")), "exit 0\n",
                   QP_RESULT_PASSWORD},
        // LibreOffice reports "source file could not be loaded" and writes nothing, but ends well.
        ReasonCase{"Unreadable", wordFixture(), "echo 'Error: source file could not be loaded'\nexit 0\n",
                   QP_RESULT_DAMAGED},
        ReasonCase{"NoLibreOffice", wordFixture(), "", QP_RESULT_NO_TOOL}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- export

// The exporting fake writes "<filter>" into the file --convert-to names.
QByteArray fakeExporter(const QString& servers, const QString& record)
{
    return qp::test::officeServerScript(servers) +
           "printf '%s\\n' \"$@\" -- >> '" + record.toUtf8() + "'\n"
           "while [ $# -gt 1 ]; do\n"
           "  case \"$1\" in --outdir) out=\"$2\"; shift;; --convert-to) filter=\"$2\"; shift;; esac\n"
           "  shift\n"
           "done\n"
           "base=$(basename \"$1\"); base=${base%.*}\n"
           "printf '%s' \"$filter\" > \"$out/$base.${filter%%:*}\"\n";
}

struct ExportCase {
    const char* name;
    int32_t format;
    const char* filter;
};

void PrintTo(const ExportCase& c, std::ostream* out)
{
    *out << c.name;
}

class Export : public ConverterModules, public ::testing::WithParamInterface<ExportCase> {};

// The RTF goes through LibreOffice's filter for the format and the result
// replaces the target, with no file left beside it.
TEST_P(Export, WritesTheTargetThroughTheFilter)
{
    const ExportCase& c = GetParam();
    const QString record = path(QStringLiteral("arguments"));
    const QString tool = writeTool(QStringLiteral("soffice"), fakeExporter(path(QStringLiteral("servers")), record));
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool.toUtf8());
    const QString rtf = writeFile(QStringLiteral("document.rtf"), "{\\rtf1 words}");
    QTemporaryDir targets;
    const QString target = targets.filePath(QStringLiteral("My book"));
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older version");
    old.close();
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup);

    Module module(LibreOffice);
    ASSERT_TRUE(module.exports());
    EXPECT_EQ(module.canExport(), 0);
    ASSERT_EQ(module.exportRtf(rtf, target, c.format), 0);

    EXPECT_EQ(readAll(target), QByteArray(c.filter));
    // As the file was: its permissions kept, nothing else in the folder.
    EXPECT_EQ(QFile::permissions(target) & 0x0FFF, QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ReadGroup);
    EXPECT_EQ(QDir(targets.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"My book"});
    const QList<QStringList> calls = conversions(record);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0].value(calls[0].indexOf("--convert-to") + 1), c.filter);
    EXPECT_EQ(readAll(rtf), "{\\rtf1 words}");
}

INSTANTIATE_TEST_SUITE_P(, Export,
                         ::testing::Values(ExportCase{"Docx", QP_EXPORT_DOCX, "docx:MS Word 2007 XML"},
                                           ExportCase{"Odt", QP_EXPORT_ODT, "odt:writer8"},
                                           ExportCase{"Pdf", QP_EXPORT_PDF, "pdf:writer_pdf_Export"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ExportFailureCase {
    const char* name;
    QByteArray tool;  // empty: no LibreOffice
    int32_t result;
};

class ExportFailure : public ConverterModules, public ::testing::WithParamInterface<ExportFailureCase> {};

// A failed export says why and leaves an existing target as it was.
TEST_P(ExportFailure, LeavesTheTargetUntouched)
{
    const ExportFailureCase& c = GetParam();
    const QString tool = writeTool(QStringLiteral("soffice"), qp::test::officeServerScript(path(QStringLiteral("servers"))) + c.tool);
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", c.tool.isEmpty() ? QByteArray("/nonexistent/soffice") : tool.toUtf8());
    const QString rtf = writeFile(QStringLiteral("document.rtf"), "{\\rtf1 words}");
    QTemporaryDir targets;
    const QString target = targets.filePath(QStringLiteral("book.docx"));
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("the version before");
    old.close();

    Module module(LibreOffice);
    EXPECT_EQ(module.exportRtf(rtf, target, QP_EXPORT_DOCX), c.result);

    EXPECT_EQ(readAll(target), "the version before");
    EXPECT_EQ(QDir(targets.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"book.docx"});
    if (c.tool.isEmpty()) {
        EXPECT_EQ(module.canExport(), QP_RESULT_NO_TOOL);
    }
}

INSTANTIATE_TEST_SUITE_P(
    , ExportFailure,
    ::testing::Values(ExportFailureCase{"LibreOfficeFails", "exit 1\n", QP_RESULT_TOOL_FAILED},
                      ExportFailureCase{"LibreOfficeWritesNothing", "exit 0\n", QP_RESULT_DAMAGED},
                      ExportFailureCase{"NoLibreOffice", "", QP_RESULT_NO_TOOL}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConverterModules, ExportIntoAMissingFolderFails)
{
    const QString tool = writeTool(QStringLiteral("soffice"), fakeExporter(path(QStringLiteral("servers")),
                                                                           path(QStringLiteral("arguments"))));
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool.toUtf8());
    const QString rtf = writeFile(QStringLiteral("document.rtf"), "{\\rtf1 words}");

    EXPECT_EQ(Module(LibreOffice).exportRtf(rtf, path(QStringLiteral("gone/book.pdf")), QP_EXPORT_PDF),
              QP_RESULT_CANNOT_OPEN);
}

// ---------------------------------------------------------------- LibreOffice itself

bool libreOfficeInstalled()
{
    return !QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty();
}

class RealLibreOffice : public ConverterModules, public ::testing::WithParamInterface<ExportCase> {};

// The program's RTF written out in each format; .docx and .odt read back
// through the converter with their text.
TEST_P(RealLibreOffice, ExportsAndReadsBack)
{
    if (!libreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    const ExportCase& c = GetParam();
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", QByteArray());
    const QString target = path(QStringLiteral("book.") + QString::fromLatin1(c.filter).section(QLatin1Char(':'), 0, 0));

    Module module(LibreOffice);
    ASSERT_EQ(module.exportRtf(QStringLiteral(QP_TEST_DATA_DIR "/word/formatted.rtf"), target, c.format), 0);

    const QByteArray written = readAll(target);
    if (c.format == QP_EXPORT_PDF) {
        EXPECT_TRUE(written.startsWith("%PDF-"));
        return;
    }
    // Under another name, as files are found by their content.
    QFile::rename(target, path(QStringLiteral("book.doc")));
    const Outcome outcome = module.convert(path(QStringLiteral("book.doc")));
    ASSERT_TRUE(outcome.recognised);
    ASSERT_EQ(outcome.result, 0);
    EXPECT_TRUE(outcome.received.bytes.startsWith("{\\rtf"));
    EXPECT_TRUE(outcome.received.bytes.contains("The quick brown fox jumps over the lazy dog."));
}

INSTANTIATE_TEST_SUITE_P(, RealLibreOffice,
                         ::testing::Values(ExportCase{"Docx", QP_EXPORT_DOCX, "docx:MS Word 2007 XML"},
                                           ExportCase{"Odt", QP_EXPORT_ODT, "odt:writer8"},
                                           ExportCase{"Pdf", QP_EXPORT_PDF, "pdf:writer_pdf_Export"}),
                         [](const auto& info) { return std::string(info.param.name); });

// LibreOffice's pipes in the pipe folder.
QSet<QString> officePipes()
{
    const QDir folder(QStringLiteral("/tmp"));
    const QStringList names = folder.entryList({QStringLiteral("OSL_PIPE_%1_*").arg(::getuid())}, QDir::System);
    return QSet<QString>(names.begin(), names.end());
}

// Whether a LibreOffice still listens on the pipe.
bool listening(const QString& pipe)
{
    const QByteArray path = QFile::encodeName(QStringLiteral("/tmp/") + pipe);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// The kept LibreOffice is ended with a kill, which leaves its pipes behind:
// the module clears them, so that nothing stale gathers in /tmp.
TEST_F(ConverterModules, RealLibreOfficeLeavesNoPipesBehind)
{
    if (!libreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", QByteArray());
    const QSet<QString> before = officePipes();

    auto module = std::make_unique<Module>(LibreOffice);
    ASSERT_EQ(module->convert(writeFile(QStringLiteral("good.doc"), wordFixture())).result, 0);
    const QSet<QString> opened = officePipes() - before;
    EXPECT_GE(opened.size(), 2) << "LibreOffice's own pipe and the one it listens on";
    module.reset();

    // Other programs' LibreOffice may come and go meanwhile; a pipe nobody listens on is left over.
    for (const QString& pipe : officePipes() - before)
        EXPECT_TRUE(listening(pipe)) << qPrintable(pipe) << " left behind";
}

// A damaged Word file is DAMAGED, and the instance goes on to convert the next file.
TEST_F(ConverterModules, RealLibreOfficeFindsADamagedFileAndGoesOn)
{
    if (!libreOfficeInstalled())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", QByteArray());
    // The fixture's Word stream, with the header that says where the text is, begins at 4096.
    QByteArray damaged = wordFixture();
    damaged.replace(4096, 512, QByteArray(512, char(0xFF)));

    Module module(LibreOffice);
    const Outcome broken = module.convert(writeFile(QStringLiteral("broken.doc"), damaged));
    EXPECT_TRUE(broken.recognised);
    EXPECT_EQ(broken.result, QP_RESULT_DAMAGED);
    const Outcome good = module.convert(writeFile(QStringLiteral("good.doc"), wordFixture()));
    EXPECT_EQ(good.result, 0);
}

}  // namespace
