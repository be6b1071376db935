// The second Word converter, MSWRD632.WPC, called as the program calls it:
// on real Word files with the real antiword and wv (skipped when they are
// not installed), and with stand-in tools for the cases real files cannot
// show on demand (a crash, text in the wrong character set).
#include "ConverterAbi.h"
#include "rtf/RtfReader.h"
#include "support/ScopedEnv.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QLibrary>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using qp::test::ScopedEnv;

namespace {

QByteArray s_received;
QpBlock* s_transfer = nullptr;

int32_t receive(int32_t count, int32_t)
{
    s_received.append(reinterpret_cast<const char*>(s_transfer->bytes), count);
    return 0;
}

struct Conversion {
    bool recognised = false;
    int32_t result = -100;
    QByteArray rtf;
    QString text;  // the RTF as the editor reads it
};

std::vector<unsigned char> nameBlockBytes(const QString& fileName)
{
    const QByteArray name = QFile::encodeName(fileName);
    std::vector<unsigned char> bytes(size_t(name.size()) * 2 + 1, 0);
    std::memcpy(bytes.data(), name.constData(), size_t(name.size()));
    return bytes;
}

// Loads the module afresh for each conversion, so each sees the environment the test set.
Conversion convert(const QString& fileName)
{
    QLibrary library(QStringLiteral(QP_CONVERTER_DIR "/MSWRD632.WPC"));
    Conversion conversion;
    if (!library.load()) {
        ADD_FAILURE() << qPrintable(library.errorString());
        return conversion;
    }
    const auto init = reinterpret_cast<QpInitConverter32>(library.resolve(QP_INIT_CONVERTER));
    const auto isFormatCorrect = reinterpret_cast<QpIsFormatCorrect32>(library.resolve(QP_IS_FORMAT_CORRECT));
    const auto foreignToRtf = reinterpret_cast<QpForeignToRtf32>(library.resolve(QP_FOREIGN_TO_RTF));
    std::vector<unsigned char> name = nameBlockBytes(fileName);
    std::vector<unsigned char> transferBytes(QP_TRANSFER_SIZE + 1, 0);
    unsigned char className = 0;
    unsigned char subset = 0;
    QpBlock nameBlock{name.data(), name.size()};
    QpBlock transfer{transferBytes.data(), transferBytes.size()};
    QpBlock classBlock{&className, 1};
    QpBlock subsetBlock{&subset, 1};
    conversion.recognised = init(0, "/USR/BIN/QUILLPRESS") != 0 && isFormatCorrect(&nameBlock, &classBlock) != 0;
    s_received.clear();
    s_transfer = &transfer;
    conversion.result = foreignToRtf(&nameBlock, nullptr, &transfer, &classBlock, &subsetBlock, &receive);
    s_transfer = nullptr;
    conversion.rtf = s_received;
    if (conversion.result == 0) {
        QBuffer buffer(&conversion.rtf);
        buffer.open(QIODevice::ReadOnly);
        QTextDocument document;
        EXPECT_TRUE(qp::RtfReader().read(&buffer, &document)) << conversion.rtf.constData();
        conversion.text = document.toPlainText();
    }
    return conversion;
}

QString fixture(const char* name)
{
    return QStringLiteral(QP_TEST_DATA_DIR "/word/") + QLatin1String(name);
}

const char* const MisreadNote = "[Quillpress: the text below looks like letters of another alphabet read as Latin ones; "
                                "it may be shown in the wrong character set.]";

// ---------------------------------------------------------------- real files

struct RealFile {
    const char* name;
    const char* file;
    int32_t result;
    std::vector<const char*> words;  // UTF-8; each must appear in the text
};

void PrintTo(const RealFile& c, std::ostream* out)
{
    *out << c.name;
}

class RealFiles : public ::testing::TestWithParam<RealFile> {
protected:
    void check()
    {
        const RealFile& c = GetParam();
        const Conversion conversion = convert(fixture(c.file));
        EXPECT_TRUE(conversion.recognised);
        ASSERT_EQ(conversion.result, c.result);
        if (c.result != 0) {
            EXPECT_EQ(conversion.rtf, QByteArray());
            return;
        }
        for (const char* word : c.words) {
            EXPECT_TRUE(conversion.text.contains(QString::fromUtf8(word))) << word << " not in:\n" << qPrintable(conversion.text);
        }
        if (c.words.empty()) {
            EXPECT_EQ(conversion.text, QString());
        }
        EXPECT_FALSE(conversion.text.contains(QLatin1String("[Quillpress:")));
    }
};

const auto AllFiles = ::testing::Values(
    RealFile{"English", "english.doc", 0, {"The Lighthouse Keeper\n", "tin of peppermints", "nineteen sailors"}},
    RealFile{"Cyrillic", "cyrillic.doc", 0, {"Война и мир. Глава первая.", "Съешь же ещё этих мягких французских булок"}},
    RealFile{"Chinese", "chinese.doc", 0, {"春晓\n", "春眠不觉晓，处处闻啼鸟。", "更上一层楼"}},
    RealFile{"GreekAndAccents", "formatted.doc", 0, {"Chapter One\n", "café, naïve, Grüße, Ελληνικά — done."}},
    RealFile{"Table", "table.doc", 0, {"Region", "Northumbria", "1377", "Wessex", "The table ends here."}},
    RealFile{"Footnotes", "footnotes.doc", 0, {"A sentence with a note", "Footnotes hold the sources", "parchment"}},
    RealFile{"Lists", "lists.doc", 0, {"Apples from the market\n", "Salted butter only\n", "Calibration\n", "End of lists."}},
    RealFile{"OneWord", "oneword.doc", 0, {"Hello"}},
    RealFile{"Empty", "empty.doc", 0, {}},
    RealFile{"Password", "password.doc", QP_RESULT_PASSWORD, {}},
    RealFile{"Truncated", "truncated.doc", QP_RESULT_DAMAGED, {}});

const auto caseName = [](const auto& info) { return std::string(info.param.name); };

bool installed(const char* tool)
{
    return !QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty();
}

// antiword first, wv for what antiword turns down: every kind of file opens.
class WithAntiwordAndWv : public RealFiles {};

TEST_P(WithAntiwordAndWv, OpensWithItsWords)
{
    if (!installed("wvWare") || !installed("antiword"))
        GTEST_SKIP() << "wv or antiword is not installed (scripts/setup.sh installs them)";
    check();
}

INSTANTIATE_TEST_SUITE_P(, WithAntiwordAndWv, AllFiles, caseName);

// wv alone reads them all as well.
class WithWvAlone : public RealFiles {};

TEST_P(WithWvAlone, OpensWithItsWords)
{
    if (!installed("wvWare"))
        GTEST_SKIP() << "wv is not installed (scripts/setup.sh installs it)";
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", "/nonexistent/antiword");
    check();
}

INSTANTIATE_TEST_SUITE_P(, WithWvAlone, AllFiles, caseName);

// antiword alone still reads the longer files, and says why it cannot read the others.
class WithAntiwordAlone : public RealFiles {};

TEST_P(WithAntiwordAlone, OpensWithItsWords)
{
    if (!installed("antiword"))
        GTEST_SKIP() << "antiword is not installed (scripts/setup.sh installs it)";
    const ScopedEnv wv("QUILLPRESS_WV", "/nonexistent/wvWare");
    check();
}

INSTANTIATE_TEST_SUITE_P(
    , WithAntiwordAlone,
    ::testing::Values(
        RealFile{"English", "english.doc", 0, {"The Lighthouse Keeper\n", "tin of peppermints"}},
        RealFile{"Cyrillic", "cyrillic.doc", 0, {"Война и мир. Глава первая.", "Съешь же ещё этих мягких французских булок"}},
        RealFile{"Table", "table.doc", 0, {"Northumbria", "1377"}},
        RealFile{"Password", "password.doc", QP_RESULT_PASSWORD, {}},
        RealFile{"Truncated", "truncated.doc", QP_RESULT_DAMAGED, {}},
        // It turns down documents with little text, which says nothing about the file.
        RealFile{"OneWord", "oneword.doc", QP_RESULT_TOOL_FAILED, {}}),
    caseName);

// ---------------------------------------------------------------- stand-in tools

class WordTextConverter : public ::testing::Test {
protected:
    // An executable shell script standing in for a tool; it notes each run in `<name>.ran`.
    QByteArray tool(const QString& name, const QByteArray& body)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        const QByteArray script = "#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + QFile::encodeName(path) + ".ran'\n" + body;
        if (!file.open(QIODevice::WriteOnly) || file.write(script) != script.size())
            ADD_FAILURE() << "cannot write " << qPrintable(path);
        file.close();
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
        return QFile::encodeName(path);
    }
    QByteArray arguments(const QString& name) const
    {
        QFile file(m_dir.filePath(name + ".ran"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    bool ran(const QString& name) const { return QFile::exists(m_dir.filePath(name + ".ran")); }

    QTemporaryDir m_dir;
};

// wv's text: a frame of bare line ends, each paragraph closed by its mark
// and a line end, a line break as a vertical tab. Pictures are left out and
// anything else it writes goes to a private folder.
TEST_F(WordTextConverter, WvTextBecomesParagraphs)
{
    const ScopedEnv wv("QUILLPRESS_WV", tool("wvWare", "printf '\\n\\nFirst {one}\\r\\n\\r\\nSecond\\vafter a break\\r\\n"
                                                       "Caf\\303\\251\\tend\\r\\n\\n\\n'\n"));
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", "/nonexistent/antiword");

    const Conversion conversion = convert(fixture("english.doc"));

    ASSERT_EQ(conversion.result, 0);
    EXPECT_EQ(conversion.text, QStringLiteral("First {one}\n\nSecond\nafter a break\nCaf\u00e9\tend"));
    const QList<QByteArray> given = arguments("wvWare").split('\n');
    ASSERT_GE(given.size(), 9);
    EXPECT_EQ(given.mid(0, 6), (QList<QByteArray>{"-x", "wvText.xml", "-c", "UTF-8", "-1", "-d"}));
    EXPECT_FALSE(QFile::exists(QString::fromUtf8(given[6])));  // the private folder is gone
    EXPECT_EQ(given[7], QFile::encodeName(fixture("english.doc")));
}

struct Fallback {
    const char* name;
    QByteArray wv;        // the stand-in wv's script; empty: wv is not installed
    QByteArray antiword;  // likewise
    int32_t result;
    QString text;
};

void PrintTo(const Fallback& c, std::ostream* out)
{
    *out << c.name;
}

class Readers : public WordTextConverter, public ::testing::WithParamInterface<Fallback> {};

// Which reader's text the program gets, and the reason it hears when none reads the file.
TEST_P(Readers, GiveTheBestReadingOrTheToolsReason)
{
    const Fallback& c = GetParam();
    const ScopedEnv wv("QUILLPRESS_WV", c.wv.isEmpty() ? QByteArray("/nonexistent/wvWare") : tool("wvWare", c.wv));
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD",
                             c.antiword.isEmpty() ? QByteArray("/nonexistent/antiword") : tool("antiword", c.antiword));

    const Conversion conversion = convert(fixture("english.doc"));

    EXPECT_EQ(conversion.recognised, !c.wv.isEmpty() || !c.antiword.isEmpty());
    ASSERT_EQ(conversion.result, c.result);
    EXPECT_EQ(conversion.text, c.text);
    if (c.result != 0) {
        EXPECT_EQ(conversion.rtf, QByteArray());
    }
}

const QByteArray WvReads = "printf '\\n\\nRead by wv\\r\\n\\n\\n'\n";
const QByteArray AntiwordReads = "printf '\\nRead by antiword\\n\\n'\n";
const QByteArray WvFindsItDamaged = "echo '(process:1): libgsf:msole-CRITICAL **: ole_seek_block: assertion failed' >&2\nexit 255\n";
const QByteArray AntiwordFindsItDamaged = "echo 'Read long 0x2474 not possible' >&2\nexit 1\n";
const QByteArray AntiwordFindsItTooSmall = "echo \"I'm afraid the text stream of this file is too small to handle.\" >&2\nexit 1\n";
const QByteArray Crashes = "kill -SEGV $$\n";
const QByteArray WvEmptyDocument = "printf '\\n\\n\\r\\n\\n\\n'\n";

const QByteArray AntiwordFindsItEncrypted = "echo 'Encrypted documents are not supported' >&2\nexit 1\n";

INSTANTIATE_TEST_SUITE_P(
    , Readers,
    ::testing::Values(
        Fallback{"AntiwordFirst", WvReads, AntiwordReads, 0, "Read by antiword"},
        Fallback{"WvWhenAntiwordIsMissing", WvReads, {}, 0, "Read by wv"},
        Fallback{"WvWhenTooSmallForAntiword", WvReads, AntiwordFindsItTooSmall, 0, "Read by wv"},
        Fallback{"WvWhenAntiwordFindsItDamaged", WvReads, AntiwordFindsItDamaged, 0, "Read by wv"},
        Fallback{"WvWhenAntiwordCrashes", WvReads, Crashes, 0, "Read by wv"},
        Fallback{"WvWhenAntiwordWritesNothing", WvReads, "exit 0\n", 0, "Read by wv"},
        Fallback{"AntiwordWhenWvWouldWriteNothing", "exit 0\n", AntiwordReads, 0, "Read by antiword"},
        Fallback{"EmptyDocumentOpensEmpty", WvEmptyDocument, AntiwordFindsItTooSmall, 0, ""},
        Fallback{"EmptyDocumentWithWvAlone", WvEmptyDocument, {}, 0, ""},
        Fallback{"AntiwordPassword", WvReads, AntiwordFindsItEncrypted, QP_RESULT_PASSWORD, ""},
        Fallback{"WvPassword", "echo 'Password required, this is an encrypted document' >&2\nexit 255\n",
                 AntiwordFindsItTooSmall, QP_RESULT_PASSWORD, ""},
        Fallback{"BothFindItDamaged", WvFindsItDamaged, AntiwordFindsItDamaged, QP_RESULT_DAMAGED, ""},
        Fallback{"DamagedOutweighsTooSmall", WvFindsItDamaged, AntiwordFindsItTooSmall, QP_RESULT_DAMAGED, ""},
        Fallback{"TooSmallForAntiwordAlone", {}, AntiwordFindsItTooSmall, QP_RESULT_TOOL_FAILED, ""},
        Fallback{"BothCrash", Crashes, Crashes, QP_RESULT_TOOL_FAILED, ""},
        Fallback{"NeitherWritesAnything", "exit 0\n", "exit 0\n", QP_RESULT_NOTHING_WRITTEN, ""},
        Fallback{"NoToolInstalled", {}, {}, QP_RESULT_NO_TOOL, ""}),
    caseName);

// A password is the file's answer: the second reader is not asked in vain.
TEST_F(WordTextConverter, PasswordStopsAtTheFirstReader)
{
    const ScopedEnv wv("QUILLPRESS_WV", tool("wvWare", WvReads));
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", tool("antiword", AntiwordFindsItEncrypted));

    EXPECT_EQ(convert(fixture("english.doc")).result, QP_RESULT_PASSWORD);
    EXPECT_FALSE(ran("wvWare"));
}

// The error output is read for reasons, and a tool that says a great deal there is not held up by it.
TEST_F(WordTextConverter, MuchErrorOutputHoldsNothingUp)
{
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD",
                             tool("antiword", "head -c 3000000 /dev/zero | tr '\\0' w >&2\n" + AntiwordReads));
    const ScopedEnv wv("QUILLPRESS_WV", "/nonexistent/wvWare");
    const ScopedEnv limit("QUILLPRESS_CONVERTER_TIMEOUT", "10");

    const Conversion conversion = convert(fixture("english.doc"));

    EXPECT_EQ(conversion.result, 0);
    EXPECT_EQ(conversion.text, "Read by antiword");
}

// The fixture with its Word stream beginning as a Word 6 file's does: the
// magic number and the format number of the file information block.
QByteArray asWord6(QByteArray bytes)
{
    for (qsizetype at = 0; at + 4 <= bytes.size(); at += 64) {
        if (bytes.mid(at, 2) == "\xEC\xA5") {
            bytes.replace(at, 4, QByteArray("\xDC\xA5\x65\x00", 4));
            return bytes;
        }
    }
    ADD_FAILURE() << "no Word stream found";
    return bytes;
}

struct OrderCase {
    const char* name;
    const char* file;
    bool word6;
    QString readBy;
};

void PrintTo(const OrderCase& c, std::ostream* out)
{
    *out << c.name;
}

class ReaderOrder : public WordTextConverter, public ::testing::WithParamInterface<OrderCase> {
protected:
    QString writeFile(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("document.doc"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            ADD_FAILURE() << "cannot write " << qPrintable(path);
        return path;
    }
};

// Word 97 and later files go to antiword first, Word 6 and 95 files to wv,
// whose 8-bit text it reads in the character set of the document's language.
// The Word stream is in the file's sectors or, when short, in its small-stream container.
TEST_P(ReaderOrder, FollowsTheWordVersion)
{
    const OrderCase& c = GetParam();
    const ScopedEnv wv("QUILLPRESS_WV", tool("wvWare", WvReads));
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", tool("antiword", AntiwordReads));
    QFile original(fixture(c.file));
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();

    const Conversion conversion = convert(writeFile(c.word6 ? asWord6(bytes) : bytes));

    ASSERT_EQ(conversion.result, 0);
    EXPECT_EQ(conversion.text, c.readBy);
    EXPECT_NE(ran("wvWare"), ran("antiword")) << "only the first reader runs";
}

INSTANTIATE_TEST_SUITE_P(
    , ReaderOrder,
    ::testing::Values(OrderCase{"Word97", "english.doc", false, "Read by antiword"},
                      OrderCase{"Word97InSmallStreams", "oneword.doc", false, "Read by antiword"},
                      OrderCase{"Word6", "english.doc", true, "Read by wv"},
                      OrderCase{"Word6InSmallStreams", "oneword.doc", true, "Read by wv"}),
    caseName);

// A compound file cut short before its directory is damaged, whoever would read it.
TEST_F(WordTextConverter, CutShortFileIsDamagedWithoutRunningATool)
{
    const ScopedEnv wv("QUILLPRESS_WV", tool("wvWare", WvReads));
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", tool("antiword", AntiwordReads));

    const Conversion conversion = convert(fixture("truncated.doc"));

    EXPECT_TRUE(conversion.recognised);
    EXPECT_EQ(conversion.result, QP_RESULT_DAMAGED);
    EXPECT_FALSE(ran("wvWare"));
    EXPECT_FALSE(ran("antiword"));
}

// ---------------------------------------------------------------- character sets

struct Charset {
    const char* name;
    QByteArray antiwordText;  // what antiword prints, UTF-8
    QByteArray wvText;        // empty: wv is not installed
    QString shown;            // what the program shows, the note aside
    bool noted;               // with the note that the letters may be wrong
};

void PrintTo(const Charset& c, std::ostream* out)
{
    *out << c.name;
}

class CharacterSets : public WordTextConverter, public ::testing::WithParamInterface<Charset> {};

// 8-bit text of another alphabet read as Western letters is never shown as if
// it were right: the other reader's text when that looks right, else the text
// under a note that says so. Western text with accents goes through as it is.
TEST_P(CharacterSets, MisreadTextIsNeverShownAsRight)
{
    const Charset& c = GetParam();
    const auto printing = [](const QByteArray& text) {
        QByteArray escaped;
        for (const char byte : text)
            escaped += "\\" + QByteArray::number(static_cast<unsigned char>(byte), 8).rightJustified(3, '0');
        return "printf '" + escaped + "'\n";
    };
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", tool("antiword", printing("\n" + c.antiwordText + "\n")));
    const ScopedEnv wv("QUILLPRESS_WV", c.wvText.isEmpty() ? QByteArray("/nonexistent/wvWare")
                                                           : tool("wvWare", printing("\n\n" + c.wvText + "\r\n\n\n")));

    const Conversion conversion = convert(fixture("english.doc"));

    ASSERT_EQ(conversion.result, 0);
    const QString note = QLatin1String(MisreadNote) + QStringLiteral("\n\n");
    EXPECT_EQ(conversion.text, c.noted ? note + c.shown : c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    , CharacterSets,
    ::testing::Values(
        // "Война и мир. Глава первая." as code page 1251 bytes taken for 1252.
        Charset{"RussianReadAsLatin", "Âîéíà è ìèð. Ãëàâà ïåðâàÿ.", {}, "Âîéíà è ìèð. Ãëàâà ïåðâàÿ.", true},
        Charset{"RussianReadRightByWv", "Âîéíà è ìèð. Ãëàâà ïåðâàÿ.", "Война и мир. Глава первая.",
                "Война и мир. Глава первая.", false},
        Charset{"RussianMisreadByBoth", "Âîéíà è ìèð. Ãëàâà ïåðâàÿ.", "Âîéíà è ìèð.", "Âîéíà è ìèð. Ãëàâà ïåðâàÿ.", true},
        // "Ελληνικά γράμματα" as code page 1253 bytes taken for 1252.
        Charset{"GreekReadAsLatin", "Åëëçíéêü ãñÜììáôá", {}, "Åëëçíéêü ãñÜììáôá", true},
        Charset{"French", "Noël à Orléans : l'été, où ça mûrit déjà, près du château.", {},
                "Noël à Orléans : l'été, où ça mûrit déjà, près du château.", false},
        Charset{"German", "Größere Übungen für Bäcker, müde Öfen, süße Äpfel.", {},
                "Größere Übungen für Bäcker, müde Öfen, süße Äpfel.", false},
        Charset{"RussianRight", "Война и мир. Глава первая.", {}, "Война и мир. Глава первая.", false},
        // One odd word in a page of English is not a misread document.
        Charset{"OneOddWordInEnglish", "The sign said ÀÉÎ in large letters over the door of the old bakery.", {},
                "The sign said ÀÉÎ in large letters over the door of the old bakery.", false}),
    caseName);

}  // namespace
