// Word files opened through the program's own converter modules and the
// real tools behind them: LibreOffice for the formatting, wv and antiword
// for the text. A test whose tool is not installed skips and says which.
#include "support/AppFixture.h"
#include "support/ScopedEnv.h"

#include "app/Applic.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

using namespace qp;
using namespace qp::test;

namespace {

const QString ConverterMessage = QStringLiteral(
    "This file can not be opened.\rThe required converter can not be found,   \ror the file format is not recognized.");

const QString Heading = QStringLiteral("Chapter One");
const QString FirstParagraph = QStringLiteral("The first paragraph has a bold word and an italic word.");
const QString SecondParagraph = QStringLiteral("Second paragraph: café, naïve, Grüße, Ελληνικά — done.");

QByteArray wordFixture()
{
    return readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/formatted.doc"));
}

// The fixture with the head of its text stream overwritten: still a Word
// compound file by its directory, but neither tool can read it.
QByteArray damagedWordFile()
{
    QByteArray bytes = wordFixture();
    bytes.replace(512, 4096 - 512, QByteArray(4096 - 512, '\xff'));
    return bytes;
}

// Only the first half: the directory, at the end, is gone.
QByteArray truncatedWordFile()
{
    const QByteArray bytes = wordFixture();
    return bytes.left(bytes.size() / 2);
}

bool installed(const char* tool)
{
    return !QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty();
}

class WordImport : public AppFixture {
protected:
    void SetUp() override
    {
        useConverterFolder(QStringLiteral(QP_CONVERTER_DIR));
        start();
    }
    DocumentState& doc() { return app().document(); }
    void open(const QString& path)
    {
        fileDialogs.choose(path);
        app().runCommand(Command::File_Open);
    }
    QStringList paragraphs() const { return editor().text().split(QStringLiteral("\r\n")); }
    FontStyles stylesOf(const QString& word, const QString& inParagraph)
    {
        const int paragraphStart = editor().text().indexOf(inParagraph);
        const int at = editor().text().indexOf(word, paragraphStart);
        EXPECT_GE(paragraphStart, 0);
        EXPECT_GE(at, 0) << qPrintable(word);
        editor().setSelection(at, int(word.size()));
        return editor().selectionCharFormat().styles;
    }
    // What stays the same whichever converter read the file.
    void expectOpened(const QString& path, const QByteArray& bytes)
    {
        EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('|'));
        EXPECT_EQ(doc().state, DocState::Saved);
        EXPECT_EQ(doc().fileName, path);
        EXPECT_EQ(doc().fileTypeLabel, LabelRtf);
        EXPECT_EQ(app().windowTitle(), "Chapter.doc - Quillpress");
        EXPECT_EQ(readAll(path), bytes);
        EXPECT_EQ(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden), QStringList{"Chapter.doc"})
            << "nothing left beside the document";
    }
    // Save asks for a name of its own, beside the Word file, which stays as it was.
    void expectSavedAsRichText(const QString& path)
    {
        const QByteArray word = readAll(path);
        type("Draft: ");
        const QString rtf = QFileInfo(path).absolutePath() + QStringLiteral("/Chapter.rtf");
        fileDialogs.choose(rtf, int(SaveFormat::RichText));
        app().runCommand(Command::File_Save);
        ASSERT_FALSE(fileDialogs.requests().isEmpty());
        EXPECT_EQ(fileDialogs.requests().last().fileName, rtf);
        EXPECT_EQ(readAll(path), word);
        EXPECT_TRUE(readAll(rtf).startsWith("{\\rtf1"));
        EXPECT_EQ(doc().state, DocState::Saved);
        EXPECT_EQ(doc().fileName, rtf);
        const QString shown = editor().text();
        loadNamedFile(app(), rtf);
        EXPECT_EQ(editor().text(), shown);
    }
};

class ThroughLibreOffice : public WordImport, public ::testing::WithParamInterface<const char*> {};

// Word 97-2003, and a Word 2007 file that carries a .doc name.
TEST_P(ThroughLibreOffice, WithItsFormatting)
{
    if (!installed("soffice"))
        GTEST_SKIP() << "LibreOffice (soffice) is not installed: the formatting converter is not tested here";
    const QByteArray bytes = readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/") + QLatin1String(GetParam()));
    ASSERT_FALSE(bytes.isEmpty());
    const QString path = writeFile(QStringLiteral("Chapter.doc"), bytes);

    open(path);

    expectOpened(path, bytes);
    const QStringList shown = paragraphs();
    ASSERT_GE(shown.size(), 4) << qPrintable(editor().text().left(300));
    EXPECT_EQ(shown.mid(0, 3), (QStringList{Heading, FirstParagraph, SecondParagraph}));
    EXPECT_TRUE(shown[3].startsWith("The quick brown fox"));
    EXPECT_EQ(stylesOf(QStringLiteral("bold"), FirstParagraph), FontStyle::Bold);
    EXPECT_EQ(stylesOf(QStringLiteral("italic"), FirstParagraph), FontStyle::Italic);
    EXPECT_EQ(stylesOf(QStringLiteral("first"), FirstParagraph), FontStyles());
    EXPECT_TRUE(stylesOf(Heading, Heading) & FontStyle::Bold);
    expectSavedAsRichText(path);
}

INSTANTIATE_TEST_SUITE_P(, ThroughLibreOffice, ::testing::Values("formatted.doc", "formatted.docx"),
                         [](const auto& info) { return std::string(info.param == std::string("formatted.doc") ? "Word97" : "Word2007"); });

TEST_F(WordImport, ThroughTheTextConverterWithAllItsText)
{
    if (!installed("wvWare") && !installed("antiword"))
        GTEST_SKIP() << "neither wv nor antiword is installed (scripts/setup.sh installs them)";
    // No LibreOffice, as on a machine without it: the first converter declines.
    const ScopedEnv noLibreOffice("QUILLPRESS_SOFFICE", "/nonexistent/soffice");
    const QByteArray bytes = wordFixture();
    const QString path = writeFile(QStringLiteral("Chapter.doc"), bytes);

    open(path);

    expectOpened(path, bytes);
    QStringList shown = paragraphs();
    shown.removeAll(QString());  // antiword's spacing around the heading, when it reads the file
    ASSERT_GE(shown.size(), 4) << qPrintable(editor().text().left(300));
    EXPECT_EQ(shown.mid(0, 3), (QStringList{Heading, FirstParagraph, SecondParagraph}));
    EXPECT_TRUE(shown[3].startsWith("The quick brown fox"));
    EXPECT_EQ(stylesOf(QStringLiteral("bold"), FirstParagraph), FontStyles());
    expectSavedAsRichText(path);
}

struct TextCase {
    const char* name;
    const char* file;
    QString text;
};

void PrintTo(const TextCase& c, std::ostream* out)
{
    *out << c.name;
}

class ThroughTheTextConverter : public WordImport, public ::testing::WithParamInterface<TextCase> {};

// Short documents open without LibreOffice too, an empty one as an empty document under its name.
TEST_P(ThroughTheTextConverter, ShortAndEmptyDocumentsOpen)
{
    if (!installed("wvWare"))
        GTEST_SKIP() << "wv is not installed (scripts/setup.sh installs it)";
    const ScopedEnv noLibreOffice("QUILLPRESS_SOFFICE", "/nonexistent/soffice");
    const QByteArray bytes = readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/") + QLatin1String(GetParam().file));
    ASSERT_FALSE(bytes.isEmpty());
    const QString path = writeFile(QStringLiteral("Chapter.doc"), bytes);

    open(path);

    expectOpened(path, bytes);
    EXPECT_EQ(editor().text(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    , ThroughTheTextConverter,
    ::testing::Values(TextCase{"OneWord", "oneword.doc", QStringLiteral("Hello")},
                      TextCase{"Empty", "empty.doc", QString()},
                      TextCase{"Chinese", "chinese.doc",
                               QStringLiteral("春晓\r\n春眠不觉晓，处处闻啼鸟。夜来风雨声，花落知多少。\r\n"
                                              "床前明月光，疑是地上霜。举头望明月，低头思故乡。\r\n"
                                              "白日依山尽，黄河入海流。欲穷千里目，更上一层楼。")}),
    [](const auto& info) { return std::string(info.param.name); });

// A Word file named on the command line opens through the converters too.
TEST_F(WordImport, StartUpFileFromTheCommandLine)
{
    if (!installed("wvWare") && !installed("antiword") && !installed("soffice"))
        GTEST_SKIP() << "neither wv, antiword nor LibreOffice (soffice) is installed";
    const QString path = writeFile(QStringLiteral("Chapter.doc"), wordFixture());
    restart({path});

    EXPECT_TRUE(messages.texts().isEmpty()) << qPrintable(messages.texts().join('|'));
    EXPECT_EQ(doc().fileName, path);
    EXPECT_EQ(doc().state, DocState::Saved);
    EXPECT_TRUE(editor().text().contains(SecondParagraph));
}

// A tool that never finishes is stopped at the time limit, and the file
// counts as unreadable.
TEST_F(WordImport, AConverterPastItsTimeLimitIsStopped)
{
    const QString hanging = writeFile(QStringLiteral("tool"), "#!/bin/sh\nsleep 300\n");
    QFile::setPermissions(hanging, QFile::permissions(hanging) | QFileDevice::ExeOwner);
    const ScopedEnv noLibreOffice("QUILLPRESS_SOFFICE", "/nonexistent/soffice");
    const ScopedEnv wv("QUILLPRESS_WV", hanging.toUtf8());
    const ScopedEnv antiword("QUILLPRESS_ANTIWORD", hanging.toUtf8());
    const ScopedEnv limit("QUILLPRESS_CONVERTER_TIMEOUT", "0.3");
    const QByteArray bytes = wordFixture();
    const QString path = writeFile(QStringLiteral("Chapter.doc"), bytes);

    open(path);

    EXPECT_EQ(messages.texts(), QStringList{ConverterMessage
                                            + "\r\r'Chapter.doc' cannot be opened: the converter took too long and was stopped."});
    EXPECT_EQ(editor().text(), QString());
    EXPECT_EQ(doc().fileName, QString());
    EXPECT_EQ(readAll(path), bytes);
}

struct DamageCase {
    const char* name;
    QByteArray (*bytes)();
};

void PrintTo(const DamageCase& c, std::ostream* out)
{
    *out << c.name;
}

class DamagedWordFile : public WordImport, public ::testing::WithParamInterface<DamageCase> {};

// Neither converter reads it: the message, an empty unnamed document, the file as it was.
TEST_P(DamagedWordFile, GivesTheMessageAndAnEmptyDocument)
{
    const QByteArray bytes = GetParam().bytes();
    const QString path = writeFile(QStringLiteral("Chapter.doc"), bytes);
    loadNamedFile(app(), writeFile(QStringLiteral("before.txt"), "the document before"));

    open(path);

    // The reason depends on the converters installed; the file is named all the same.
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().startsWith(ConverterMessage + "\r\r'Chapter.doc' cannot be opened: "))
        << qPrintable(messages.texts().first());
    EXPECT_EQ(editor().text(), QString());
    EXPECT_EQ(doc().state, DocState::New);
    EXPECT_EQ(doc().fileName, QString());
    EXPECT_EQ(app().windowTitle(), "Quillpress");
    EXPECT_EQ(readAll(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(, DamagedWordFile,
                         ::testing::Values(DamageCase{"TextStreamOverwritten", &damagedWordFile},
                                           DamageCase{"Truncated", &truncatedWordFile},
                                           DamageCase{"CompoundFileOfAnotherKind",
                                                      [] { return readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/binary.doc")); }}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ReasonCase {
    const char* name;
    const char* file;
    const char* reason;
};

void PrintTo(const ReasonCase& c, std::ostream* out)
{
    *out << c.name;
}

class WordFileReason : public WordImport, public ::testing::WithParamInterface<ReasonCase> {};

// The message names the file and why the text converter could not read it.
TEST_P(WordFileReason, TheMessageSaysWhy)
{
    if (!installed("wvWare") && !installed("antiword"))
        GTEST_SKIP() << "neither wv nor antiword is installed (scripts/setup.sh installs them)";
    const ScopedEnv noLibreOffice("QUILLPRESS_SOFFICE", "/nonexistent/soffice");
    const QByteArray bytes = readAll(QStringLiteral(QP_TEST_DATA_DIR "/word/") + QLatin1String(GetParam().file));
    ASSERT_FALSE(bytes.isEmpty());
    const QString path = writeFile(QStringLiteral("Chapter.doc"), bytes);

    open(path);

    EXPECT_EQ(messages.texts(),
              QStringList{ConverterMessage + "\r\r'Chapter.doc' cannot be opened: " + QLatin1String(GetParam().reason)});
    EXPECT_EQ(doc().fileName, QString());
    EXPECT_EQ(readAll(path), bytes);
}

INSTANTIATE_TEST_SUITE_P(, WordFileReason,
                         ::testing::Values(ReasonCase{"Password", "password.doc", "it is protected by a password."},
                                           ReasonCase{"Truncated", "truncated.doc", "it is damaged."}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
