// The two converter modules called as the program calls them, with fake
// tools in place of LibreOffice and antiword: what they recognise, what they
// run, what they hand back, and how they fail.
#include "ConverterAbi.h"
#include "support/ScopedEnv.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <signal.h>

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
    }
    bool complete() const { return m_init && m_isFormatCorrect && m_foreignToRtf; }

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
// arguments: the input converted into --outdir, and a lock file beside the input.
QByteArray fakeSoffice(const QString& record, const QByteArray& rtf)
{
    return "printf '%s\\n' \"$@\" > '" + record.toUtf8() + "'\n"
           "while [ $# -gt 1 ]; do\n"
           "  case \"$1\" in --outdir) out=\"$2\"; shift;; esac\n"
           "  shift\n"
           "done\n"
           "in=\"$1\"\n"
           "touch \"$(dirname \"$in\")/.~lock.$(basename \"$in\")#\"\n"
           "base=$(basename \"$in\"); base=${base%.*}\n"
           "printf '%s' '" + rtf + "' > \"$out/$base.rtf\"\n";
}

TEST_F(ConverterModules, LibreOfficeConvertsACopyInAPrivateFolder)
{
    const QString record = path(QStringLiteral("arguments"));
    const QString tool = writeTool(QStringLiteral("soffice"), fakeSoffice(record, "{\\rtf1 converted {\\b text}}"));
    const ScopedEnv soffice("QUILLPRESS_SOFFICE", tool.toUtf8());
    QTemporaryDir documents;
    const QString doc = documents.filePath(QStringLiteral("My report.doc"));
    QFile::copy(QStringLiteral(QP_TEST_DATA_DIR "/word/formatted.doc"), doc);

    const Outcome outcome = Module(LibreOffice).convert(doc);

    ASSERT_TRUE(outcome.recognised);
    ASSERT_EQ(outcome.result, 0);
    EXPECT_EQ(outcome.received.bytes, "{\\rtf1 converted {\\b text}}");
    const QStringList arguments = QString::fromUtf8(readAll(record)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_GE(arguments.size(), 5);
    EXPECT_TRUE(arguments.contains("--headless"));
    const int convertTo = arguments.indexOf("--convert-to");
    ASSERT_GE(convertTo, 0);
    EXPECT_EQ(arguments.value(convertTo + 1), "rtf");
    // Its own profile, and a copy of the document, both in one private folder that is gone afterwards.
    const QString input = arguments.last();
    EXPECT_NE(input, doc);
    const QString privateFolder = QFileInfo(input).absolutePath();
    EXPECT_TRUE(arguments.contains("-env:UserInstallation=file://" + privateFolder + "/profile"));
    EXPECT_FALSE(QFileInfo::exists(privateFolder));
    EXPECT_EQ(QDir(documents.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"My report.doc"});
    EXPECT_EQ(readAll(doc), wordFixture());
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
    const QString tool = writeTool(QStringLiteral("tool"), c.tool);
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

bool isRunningNow(pid_t pid)
{
    if (::kill(pid, 0) != 0)
        return false;
    // A zombie has ended; only its parent has not looked yet.
    const QByteArray stat = readAll(QStringLiteral("/proc/%1/stat").arg(pid));
    const qsizetype close = stat.lastIndexOf(')');
    return close >= 0 && stat.size() > close + 2 && stat[close + 2] != 'Z';
}

bool isRunning(pid_t pid)
{
    // A killed process goes once the system has delivered the signal, a moment later.
    for (int tries = 0; tries < 500; ++tries) {
        if (!isRunningNow(pid))
            return false;
        QThread::msleep(10);
    }
    return true;
}

class HangingTool : public ConverterModules, public ::testing::WithParamInterface<const char*> {};

// Past the time limit the tool and everything it started are stopped.
TEST_P(HangingTool, IsStoppedWithItsChildren)
{
    const QString pids = path(QStringLiteral("pids"));
    const QString tool = writeTool(QStringLiteral("tool"), "sleep 300 &\necho $! > '" + pids.toUtf8() + "'\n"
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

}  // namespace
