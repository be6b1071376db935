#include "editor/RichEdit.h"

#include "platform/Errors.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <gtest/gtest.h>

#include <random>

namespace qp {
namespace {

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString fixturePath(const char* name)
{
    return QStringLiteral(QP_TEST_DATA_DIR "/text/") + QLatin1String(name);
}

std::string str(const QString& s)
{
    return s.toStdString();
}

class RichEditTest : public ::testing::Test {
protected:
    RichEdit edit;
};

// "ab" CR LF "" CR LF "cd": positions a0 b1 CR2 LF3 CR4 LF5 c6 d7, end 8.
TEST_F(RichEditTest, PositionsCountParagraphBreaksAsTwo)
{
    edit.setWordWrap(false);
    edit.setText(QStringLiteral("ab\r\n\r\ncd"));
    EXPECT_EQ(str(edit.text()), "ab\r\n\r\ncd");
    EXPECT_EQ(edit.textLength(), 8);
    EXPECT_EQ(edit.lineCount(), 3);

    const int lineOf[] = {0, 0, 0, 0, 1, 1, 2, 2, 2};
    for (int pos = 0; pos <= 8; ++pos)
        EXPECT_EQ(edit.lineFromChar(pos), lineOf[pos]) << "pos " << pos;
    EXPECT_EQ(edit.lineFromChar(1000), 2);

    EXPECT_EQ(edit.lineIndex(0), 0);
    EXPECT_EQ(edit.lineIndex(1), 4);
    EXPECT_EQ(edit.lineIndex(2), 6);
    EXPECT_EQ(edit.lineIndex(3), -1);
    EXPECT_EQ(edit.lineIndex(-1), -1);

    EXPECT_EQ(str(edit.lineText(0)), "ab");
    EXPECT_EQ(str(edit.lineText(1)), "");
    EXPECT_EQ(str(edit.lineText(2)), "cd");
    EXPECT_EQ(str(edit.lineText(3)), "");
}

TEST_F(RichEditTest, PositionConversionRoundTrips)
{
    edit.setText(QStringLiteral("x\r\n\r\nyz\r\n"));
    const int docOf[] = {0, 1, 1, 2, 2, 3, 4, 5, 5, 6};
    for (int pos = 0; pos <= edit.textLength(); ++pos)
        EXPECT_EQ(edit.toDocumentPosition(pos), docOf[pos]) << "pos " << pos;
    for (int doc = 0; doc <= 6; ++doc)
        EXPECT_EQ(edit.toDocumentPosition(edit.fromDocumentPosition(doc)), doc);
    EXPECT_EQ(edit.toDocumentPosition(2, true), 2);  // LF rounded up: start of the next paragraph
}

TEST_F(RichEditTest, PositionConversionOnIrregularParagraphs)
{
    // Empty, short and very long paragraphs mixed, checked against a plain walk.
    std::mt19937 random(99);
    QStringList paras;
    for (int i = 0; i < 300; ++i) {
        const int kind = int(random() % 10);
        const int length = kind < 3 ? 0 : kind < 9 ? int(random() % 20) : 2000 + int(random() % 3000);
        paras << QString(length, QLatin1Char('a' + i % 26));
    }
    edit.setText(paras.join(QStringLiteral("\r\n")));
    std::vector<int> docOf;
    int doc = 0;
    for (int i = 0; i < paras.size(); ++i) {
        for (int k = 0; k < paras[i].size(); ++k)
            docOf.push_back(doc++);
        if (i + 1 < paras.size()) {
            docOf.push_back(doc);  // CR
            docOf.push_back(doc);  // LF rounds down to the break
            ++doc;
        }
    }
    docOf.push_back(doc);
    ASSERT_EQ(edit.textLength() + 1, int(docOf.size()));
    for (int pos = 0; pos <= edit.textLength(); ++pos) {
        ASSERT_EQ(edit.toDocumentPosition(pos), docOf[pos]) << "pos " << pos;
        ASSERT_EQ(edit.toDocumentPosition(edit.fromDocumentPosition(docOf[pos])), docOf[pos]);
    }
}

TEST_F(RichEditTest, SetTextAcceptsEveryLineBreak)
{
    edit.setText(QStringLiteral("a\nb\rc\r\nd\n"));
    EXPECT_EQ(str(edit.text()), "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(edit.document()->blockCount(), 5);
}

TEST_F(RichEditTest, EmptyDocumentHasOneLine)
{
    edit.setWordWrap(false);
    edit.clearText();
    EXPECT_EQ(edit.lineCount(), 1);
    EXPECT_EQ(edit.lineIndex(0), 0);
    EXPECT_EQ(edit.lineFromChar(0), 0);
    EXPECT_EQ(edit.textLength(), 0);
    EXPECT_EQ(edit.textFileFormat(), TextFileFormat{});
}

TEST_F(RichEditTest, SelectionAcrossParagraphBreaks)
{
    edit.setText(QStringLiteral("ab\r\n\r\ncd"));
    const struct {
        int start, length;
        const char* text;
        int selStart, selLength;
    } cases[] = {
        {1, 3, "b\r\n", 1, 3},
        {2, 2, "\r\n", 2, 2},
        {6, 2, "cd", 6, 2},
        {0, 8, "ab\r\n\r\ncd", 0, 8},
        {7, 100, "d", 7, 1},
        {-5, 1, "a", 0, 1},
        {1, 2, "b\r\n", 1, 3},  // a half break selects the whole break
        {3, 0, "", 2, 0},       // a caret between CR and LF stands before the break
    };
    for (const auto& c : cases) {
        edit.setSelection(c.start, c.length);
        EXPECT_EQ(str(edit.selText()), c.text) << c.start << "," << c.length;
        EXPECT_EQ(edit.selStart(), c.selStart) << c.start << "," << c.length;
        EXPECT_EQ(edit.selLength(), c.selLength) << c.start << "," << c.length;
    }
    edit.setSelStart(4);
    EXPECT_EQ(edit.selStart(), 4);
    EXPECT_EQ(edit.selLength(), 0);
    edit.setSelLength(4);
    EXPECT_EQ(str(edit.selText()), "\r\ncd");
    edit.selectAllText();
    EXPECT_EQ(edit.selLength(), 8);
    edit.setSelection(1, 5);
    edit.deleteSelection();
    EXPECT_EQ(str(edit.text()), "acd");
}

TEST_F(RichEditTest, ReplaceSelectionIsOneUndoStep)
{
    edit.setText(QStringLiteral("hello world"));
    EXPECT_FALSE(edit.canUndo());
    edit.setSelection(6, 5);
    edit.replaceSelection(QStringLiteral("there\r\nfriend"));
    EXPECT_EQ(str(edit.text()), "hello there\r\nfriend");
    EXPECT_EQ(edit.selStart(), 19);
    EXPECT_EQ(edit.selLength(), 0);
    EXPECT_TRUE(edit.canUndo());
    edit.undo();
    EXPECT_EQ(str(edit.text()), "hello world");
    EXPECT_FALSE(edit.canUndo());
}

// "Cat cat CAT" CR LF "catalog concat cat": CR at 11, "catalog" at 13, "cat" at 28, length 31.
TEST_F(RichEditTest, FindText)
{
    edit.setText(QStringLiteral("Cat cat CAT\r\ncatalog concat cat"));
    const FindOptions none = FindOption::None;
    const struct {
        const char* what;
        int start, length;
        FindOptions options;
        int expected;
    } cases[] = {
        {"cat", 0, 31, none, 0},
        {"cat", 0, 31, FindOption::MatchCase, 4},
        {"CAT", 0, 31, FindOption::MatchCase, 8},
        {"cat", 9, 22, none, 13},
        {"cat", 9, 22, FindOption::WholeWord, 28},
        {"cat", 13, 17, FindOption::WholeWord, -1},  // the range ends before the last "cat" does
        {"cat", 28, 3, FindOption::WholeWord, 28},
        {"cat", 29, 10, none, -1},
        {"CAT", 1, 30, FindOption::MatchCase | FindOption::WholeWord, 8},
        {"\r\n", 0, 31, none, 11},
        {"T\r\nc", 0, 31, none, 10},
        {"\n", 0, 31, none, 12},
        {"", 0, 31, none, -1},
        {"cat", 0, 0, none, -1},
        {"concat", 0, 1000, FindOption::WholeWord, 21},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(edit.findText(QString::fromLatin1(c.what), c.start, c.length, c.options), c.expected)
            << c.what << " from " << c.start << " over " << c.length;
    }
}

TEST_F(RichEditTest, FindTextAcrossSearchPieces)
{
    // Matches near and across the internal piece boundaries of a long text.
    QString text(200000, QLatin1Char('a'));
    text.replace(65535, 4, QStringLiteral("word"));
    text.replace(131070, 3, QStringLiteral(" x "));
    edit.setText(text);
    EXPECT_EQ(edit.findText(QStringLiteral("word"), 0, edit.textLength(), FindOption::None), 65535);
    EXPECT_EQ(edit.findText(QStringLiteral("x"), 0, edit.textLength(), FindOption::WholeWord), 131071);
    EXPECT_EQ(edit.findText(QStringLiteral("ab"), 0, edit.textLength(), FindOption::None), -1);
}

class FileTest : public RichEditTest {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
};

class PlainRoundTrip : public FileTest, public ::testing::WithParamInterface<std::tuple<const char*, TextMode>> {};

TEST_P(PlainRoundTrip, LoadThenSaveIsByteIdentical)
{
    const auto [name, mode] = GetParam();
    const QByteArray original = readBytes(fixturePath(name));
    edit.setTextMode(mode);
    edit.loadFile(fixturePath(name));
    EXPECT_EQ(edit.textFileFormat(), decodePlainText(original).format);
    edit.setTextMode(TextMode::Plain);
    edit.saveFile(path("out.txt"));
    EXPECT_EQ(readBytes(path("out.txt")), original);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PlainRoundTrip,
                         ::testing::Combine(::testing::Values("utf8_lf.txt", "utf8_bom_crlf.txt", "cp1252_crlf.txt",
                                                              "utf16le_bom_crlf.txt", "utf16be_bom_lf.txt",
                                                              "cr_no_final.txt", "lf_no_final.txt"),
                                            // Rich mode reads these bytes as plain text once RTF fails.
                                            ::testing::Values(TextMode::Plain, TextMode::Rich)));

TEST_F(FileTest, LoadedTextUsesProgramBreaks)
{
    edit.setTextMode(TextMode::Plain);
    edit.loadFile(fixturePath("cr_no_final.txt"));
    EXPECT_EQ(str(edit.text()), "one\r\ntwo\r\n\r\nthree");
    edit.loadFile(fixturePath("cp1252_crlf.txt"));
    EXPECT_EQ(edit.text(), QString::fromUtf8("Café € “quoted”\u00a0nbsp \u0081\u008d\u008f\u0090\u009d\r\n"
                                             "second line\r\n"));
}

TEST_F(FileTest, FailedLoadKeepsTheDocument)
{
    edit.setText(QStringLiteral("keep me"));
    edit.setSelection(2, 2);
    QSignalSpy changed(&edit, &RichEdit::editTextChanged);
    for (const QString& bad : {path("missing.txt"), dir.path()}) {
        try {
            edit.loadFile(bad);
            ADD_FAILURE() << "no error for " << str(bad);
        } catch (const AppError& error) {
            EXPECT_EQ(str(error.message()), "Failed to Load Stream");
        }
    }
    EXPECT_EQ(str(edit.text()), "keep me");
    EXPECT_EQ(edit.selStart(), 2);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(FileTest, FailedSaveThrowsAndWritesNothing)
{
    edit.setText(QStringLiteral("text"));
    for (TextMode mode : {TextMode::Plain, TextMode::Rich}) {
        edit.setTextMode(mode);
        try {
            edit.saveFile(path("no/such/folder/x.txt"));
            ADD_FAILURE() << "no error";
        } catch (const AppError& error) {
            EXPECT_EQ(str(error.message()), "Failed to Save Stream\r" + str(path("no/such/folder/x.txt"))
                                                + ": No such file or directory");
        }
    }
    EXPECT_FALSE(QFile::exists(path("no")));
}

TEST_F(FileTest, SaveFallsBackToUtf8WhenTheEncodingCannotHoldTheText)
{
    writeBytes(path("in.txt"), "caf\xe9\r\n");
    edit.setTextMode(TextMode::Plain);
    edit.loadFile(path("in.txt"));
    ASSERT_EQ(edit.textFileFormat().encoding, TextEncoding::Windows1252);
    QSignalSpy fallback(&edit, &RichEdit::encodingFallback);

    edit.setSelection(edit.textLength(), 0);
    edit.replaceSelection(QString::fromUtf8("€"));  // Windows-1252 has it
    edit.saveFile(path("same.txt"));
    EXPECT_EQ(readBytes(path("same.txt")), QByteArray("caf\xe9\r\n\x80"));
    EXPECT_EQ(fallback.count(), 0);

    edit.replaceSelection(QString::fromUtf8("Ω"));
    edit.saveFile(path("out.txt"));
    EXPECT_EQ(readBytes(path("out.txt")), QString::fromUtf8("café\r\n€Ω").toUtf8());
    ASSERT_EQ(fallback.count(), 1);
    EXPECT_FALSE(fallback.at(0).at(0).toString().isEmpty());
    EXPECT_EQ(edit.textFileFormat().encoding, TextEncoding::Utf8);
    EXPECT_EQ(edit.textFileFormat().lineEnding, LineEnding::CRLF);
}

// A rich document with a numbered list, read from RTF.
const char kListRtf[] = R"({\rtf1\pard Steps\par{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec}Open\par{\pntext 2.\tab}Save\par\pard Done\par})";

TEST_F(FileTest, SavingAsTextWritesTheListLabels)
{
    ASSERT_TRUE(edit.loadRichText(kListRtf));
    edit.setTextMode(TextMode::Plain);
    edit.saveFile(path("out.txt"));
    EXPECT_EQ(readBytes(path("out.txt")), QByteArray("Steps\n1.\tOpen\n2.\tSave\nDone"));
}

TEST_F(RichEditTest, CopiedPlainTextCarriesTheListLabels)
{
    ASSERT_TRUE(edit.loadRichText(kListRtf));
    edit.setSelection(3, 12);  // "ps", "Open", "Sa"
    edit.copy();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("ps\n1.\tOpen\n2.\tSa"));
}

// A paragraph's start takes the format of its first text: the caret there
// reports it, and typing there continues it instead of the control's font.
TEST_F(RichEditTest, TheStartOfALoadedParagraphHasItsTextsFormat)
{
    ASSERT_TRUE(edit.loadRichText("{\\rtf1{\\fonttbl{\\f0 Liberation Serif;}{\\f1 Liberation Sans;}}"
                                  "\\f0\\fs28 Hello {\\b bold}\\par\\f1\\fs20\\b Second\\par}"));
    for (const auto& [position, name, points, bold] :
         {std::tuple{0, "Liberation Serif", 14, false}, std::tuple{13, "Liberation Sans", 10, true}}) {
        edit.setSelection(position, 0);
        const CharFormat caret = edit.selectionCharFormat();
        EXPECT_EQ(caret.fontName, name) << position;
        EXPECT_EQ(caret.sizePoints, points) << position;
        EXPECT_EQ(caret.styles.testFlag(FontStyle::Bold), bold) << position;
    }
    edit.setSelection(0, 0);
    QTest::keyClicks(&edit, QStringLiteral("X"));
    edit.setSelection(0, 1);
    EXPECT_EQ(edit.selectionCharFormat().fontName, "Liberation Serif");
}

TEST_F(FileTest, ClearedDocumentIsUtf8WithLf)
{
    edit.setTextMode(TextMode::Plain);
    edit.loadFile(fixturePath("utf16le_bom_crlf.txt"));
    edit.clearText();
    EXPECT_EQ(edit.textFileFormat(), TextFileFormat{});
    edit.setText(QStringLiteral("a\r\nb"));
    edit.saveFile(path("new.txt"));
    EXPECT_EQ(readBytes(path("new.txt")), QByteArray("a\nb"));
}

TEST_F(RichEditTest, FormattingKeys)
{
    edit.setText(QStringLiteral("one\r\ntwo\r\nthree"));
    edit.setSelection(0, 6);  // the first two paragraphs
    const struct {
        Qt::Key key;
        int percent;
    } spacing[] = {{Qt::Key_2, 200}, {Qt::Key_5, 150}, {Qt::Key_1, 100}};
    for (const auto& s : spacing) {
        QTest::keyClick(&edit, s.key, Qt::ControlModifier);
        const QTextBlock first = edit.document()->firstBlock();
        EXPECT_EQ(first.blockFormat().lineHeight(), s.percent);
        EXPECT_EQ(first.blockFormat().lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
        EXPECT_EQ(first.next().blockFormat().lineHeight(), s.percent);
        EXPECT_NE(first.next().next().blockFormat().lineHeight(), s.percent == 100 ? -1 : s.percent);
    }

    auto alignmentAt = [&](int pos) {
        QTextCursor c(edit.document());
        c.setPosition(edit.toDocumentPosition(pos) + 1);
        return c.charFormat().verticalAlignment();
    };
    edit.setSelection(0, 3);
    QTest::keyClick(&edit, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(alignmentAt(0), QTextCharFormat::AlignSubScript);
    QTest::keyClick(&edit, Qt::Key_Equal, Qt::ControlModifier);
    EXPECT_EQ(alignmentAt(0), QTextCharFormat::AlignNormal);
    QTest::keyClick(&edit, Qt::Key_Plus, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(alignmentAt(0), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(str(edit.text()), "one\r\ntwo\r\nthree");  // no key typed a character
}

TEST_F(RichEditTest, SmartQuotesToggleAndCurlTypedQuotes)
{
    edit.clearText();
    EXPECT_FALSE(edit.smartQuotes());
    QTest::keyClick(&edit, Qt::Key_QuoteDbl, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(edit.smartQuotes());
    QTest::keyClicks(&edit, QStringLiteral("\"it's\" ok"));
    EXPECT_EQ(edit.text(), QString::fromUtf8("“it’s” ok"));
    QTest::keyClick(&edit, Qt::Key_Apostrophe, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClicks(&edit, QStringLiteral(" \"x\""));
    EXPECT_EQ(edit.text(), QString::fromUtf8("“it’s” ok \"x\""));
}

TEST_F(RichEditTest, CharacterTypedMaySwallowEnter)
{
    edit.setText(QStringLiteral("ab"));
    edit.setSelStart(1);
    QList<QChar> typed;
    QList<int> keys;
    QObject::connect(&edit, &RichEdit::keyDown, &edit, [&](int key, Qt::KeyboardModifiers) { keys << key; });
    QObject::connect(&edit, &RichEdit::characterTyped, &edit, [&](QChar c, bool* swallow) {
        typed << c;
        *swallow = c == QLatin1Char('\r');
    });
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(str(edit.text()), "ab");
    QTest::keyClick(&edit, Qt::Key_X);
    EXPECT_EQ(str(edit.text()), "axb");
    QTest::keyClick(&edit, Qt::Key_Insert);
    ASSERT_EQ(typed.size(), 2);
    EXPECT_EQ(typed[0], QLatin1Char('\r'));
    EXPECT_EQ(typed[1], QLatin1Char('x'));
    EXPECT_EQ(keys, (QList<int>{Qt::Key_Return, Qt::Key_X, Qt::Key_Insert}));
}

TEST_F(RichEditTest, EnterMakesParagraphBreaksEvenWithShift)
{
    edit.setText(QStringLiteral("ab"));
    edit.setSelStart(1);
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClick(&edit, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(str(edit.text()), "a\r\n\r\nb");
    EXPECT_EQ(edit.selStart(), 5);
}

TEST_F(RichEditTest, NotificationsComeTextFirstThenSelection)
{
    edit.setText(QStringLiteral("ab"));
    edit.setSelStart(2);
    QStringList events;
    QObject::connect(&edit, &RichEdit::editTextChanged, &edit, [&] { events << QStringLiteral("text"); });
    QObject::connect(&edit, &RichEdit::editSelectionChanged, &edit, [&] { events << QStringLiteral("selection"); });
    QTest::keyClick(&edit, Qt::Key_C);
    EXPECT_EQ(events, (QStringList{QStringLiteral("text"), QStringLiteral("selection")}));
    events.clear();
    edit.setSelection(0, 1);
    edit.setSelection(0, 1);
    EXPECT_EQ(events, QStringList{QStringLiteral("selection")});
}

TEST_F(RichEditTest, MouseDownReportsButtonPositionAndModifiers)
{
    edit.resize(300, 200);
    edit.show();
    QSignalSpy spy(&edit, &RichEdit::mouseDown);
    QTest::mouseClick(edit.viewport(), Qt::RightButton, Qt::ShiftModifier, QPoint(10, 20));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).value<Qt::MouseButton>(), Qt::RightButton);
    EXPECT_EQ(spy.at(0).at(1).toPoint(), edit.viewport()->mapTo(&edit, QPoint(10, 20)));
    EXPECT_EQ(spy.at(0).at(2).value<Qt::KeyboardModifiers>(), Qt::ShiftModifier);
}

TEST_F(RichEditTest, InitialProperties)
{
    EXPECT_EQ(edit.objectName(), QStringLiteral("RichEdit1"));
    EXPECT_EQ(edit.document()->defaultFont().family(), QStringLiteral("Courier New"));
    EXPECT_EQ(edit.document()->defaultFont().pixelSize(), 13);
    EXPECT_FALSE(edit.tabChangesFocus());
    EXPECT_EQ(edit.textInset(), QMargins(3, 2, 10, 2));
    edit.resize(300, 200);
    EXPECT_EQ(edit.viewport()->geometry().left(), edit.frameWidth() + 3);
    EXPECT_EQ(edit.viewport()->geometry().top(), edit.frameWidth() + 2);
    EXPECT_EQ(edit.scrollBars(), ScrollBars::Both);
    EXPECT_TRUE(edit.wordWrap());
    EXPECT_EQ(edit.palette().color(QPalette::Inactive, QPalette::Highlight),
              edit.palette().color(QPalette::Active, QPalette::Highlight));
    QTest::keyClick(&edit, Qt::Key_Tab);
    EXPECT_EQ(str(edit.text()), "\t");
}

TEST_F(RichEditTest, CharacterAttributesAndUniformity)
{
    edit.setText(QStringLiteral("plain bold"));
    edit.setSelection(6, 4);
    CharFormat bold;
    bold.styles = FontStyle::Bold;
    bold.fontName = QStringLiteral("Liberation Serif");
    bold.sizePoints = 14;
    bold.color = Qt::red;
    edit.setSelectionCharFormat(bold, CharAttribute::Bold | CharAttribute::Name | CharAttribute::Size |
                                          CharAttribute::Color);

    CharFormat read = edit.selectionCharFormat();
    EXPECT_TRUE(read.styles.testFlag(FontStyle::Bold));
    EXPECT_EQ(read.fontName, QStringLiteral("Liberation Serif"));
    EXPECT_DOUBLE_EQ(read.sizePoints, 14);
    EXPECT_EQ(read.color, QColor(Qt::red));
    EXPECT_EQ(read.uniform, CharAttributes(0x7F));

    edit.setSelection(4, 4);  // "n b": plain and bold
    read = edit.selectionCharFormat();
    EXPECT_FALSE(read.uniform.testFlag(CharAttribute::Bold));
    EXPECT_FALSE(read.uniform.testFlag(CharAttribute::Name));
    EXPECT_FALSE(read.uniform.testFlag(CharAttribute::Color));
    EXPECT_TRUE(read.uniform.testFlag(CharAttribute::Italic));
    EXPECT_EQ(read.fontName, QStringLiteral("Courier New"));  // the first character's
    EXPECT_FALSE(read.color.isValid());                        // automatic

    // A paragraph break between bold texts keeps the paragraph's own format; it does not count.
    edit.setText(QStringLiteral("plain bold\r\nnext"));
    for (const int start : {6, 12}) {
        edit.setSelection(start, 4);
        edit.setSelectionCharFormat(bold, CharAttribute::Bold | CharAttribute::Name | CharAttribute::Size |
                                              CharAttribute::Color);
    }
    QTextCursor paragraphBreak(edit.document());
    paragraphBreak.setPosition(10);
    paragraphBreak.setPosition(11, QTextCursor::KeepAnchor);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    paragraphBreak.mergeCharFormat(italic);
    edit.setSelection(6, 10);  // "bold", the break, "next"
    EXPECT_EQ(edit.selectionCharFormat().uniform, CharAttributes(0x7F));
}

TEST_F(RichEditTest, CopyAndPasteKeepTheFormattingOfRichTextOnly)
{
    edit.setText(QStringLiteral("plain bold"));
    edit.setSelection(6, 4);
    CharFormat bold;
    bold.styles = FontStyle::Bold;
    edit.setSelectionCharFormat(bold, CharAttribute::Bold);
    edit.setSelection(4, 6);  // "n bold"
    edit.copy();
    const QMimeData* data = QApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasHtml());
    EXPECT_EQ(data->text(), QStringLiteral("n bold"));

    RichEdit rich;
    rich.paste();
    EXPECT_EQ(rich.text(), QStringLiteral("n bold"));
    rich.setSelection(2, 4);
    EXPECT_TRUE(rich.selectionCharFormat().styles.testFlag(FontStyle::Bold));
    EXPECT_EQ(rich.selectionCharFormat().uniform & CharAttribute::Bold, CharAttribute::Bold);

    RichEdit plain;
    plain.setTextMode(TextMode::Plain);
    plain.paste();
    plain.setSelection(2, 4);
    EXPECT_FALSE(plain.selectionCharFormat().styles.testFlag(FontStyle::Bold)) << "a text file takes the text only";
    plain.setSelection(0, 6);
    plain.copy();
    EXPECT_FALSE(QApplication::clipboard()->mimeData()->hasHtml()) << "nothing for HTML to carry";
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("n bold"));
}

TEST_F(RichEditTest, ParagraphAttributes)
{
    edit.setText(QStringLiteral("one\r\ntwo\r\nthree"));
    edit.setSelection(1, 5);  // touches the first two paragraphs
    ParagraphFormat f;
    f.alignment = ParagraphAlignment::Center;
    f.firstIndent = 30;
    f.leftIndent = 12;
    f.rightIndent = 6;
    f.tabStops = {36, 72, 0};
    f.bullet = true;
    edit.setSelectionParagraphFormat(f, ParagraphAttribute::Alignment | ParagraphAttribute::FirstIndent |
                                            ParagraphAttribute::LeftIndent | ParagraphAttribute::RightIndent |
                                            ParagraphAttribute::TabStops | ParagraphAttribute::Bullet);
    edit.setSelStart(5);
    const ParagraphFormat second = edit.selectionParagraphFormat();
    EXPECT_EQ(second.alignment, ParagraphAlignment::Center);
    EXPECT_DOUBLE_EQ(second.firstIndent, 30);
    EXPECT_DOUBLE_EQ(second.leftIndent, 12);
    EXPECT_DOUBLE_EQ(second.rightIndent, 6);
    EXPECT_EQ(second.tabStops, (QList<qreal>{36, 72}));
    EXPECT_TRUE(second.bullet);
    EXPECT_EQ(str(edit.text()), "one\r\ntwo\r\nthree");

    // Moving the first line keeps the other lines' offset from it.
    ParagraphFormat moved;
    moved.firstIndent = 40;
    edit.setSelectionParagraphFormat(moved, ParagraphAttribute::FirstIndent);
    EXPECT_DOUBLE_EQ(edit.selectionParagraphFormat().firstIndent, 40);
    EXPECT_DOUBLE_EQ(edit.selectionParagraphFormat().leftIndent, 12);

    edit.setSelStart(12);
    EXPECT_EQ(edit.selectionParagraphFormat().alignment, ParagraphAlignment::Left);
    EXPECT_FALSE(edit.selectionParagraphFormat().bullet);
    EXPECT_TRUE(edit.canUndo());
}

TEST_F(RichEditTest, DefaultFontAndBackground)
{
    edit.setDefaultFontName(QStringLiteral("Liberation Sans"));
    edit.setDefaultFontSize(12);
    EXPECT_EQ(edit.defaultFontName(), QStringLiteral("Liberation Sans"));
    EXPECT_DOUBLE_EQ(edit.defaultFontSize(), 12);
    edit.setBackgroundColor(Qt::yellow);
    EXPECT_EQ(edit.backgroundColor(), QColor(Qt::yellow));
}

TEST_F(RichEditTest, RenderPageDrawsWholeLinesPageByPage)
{
    QStringList paras;
    for (int i = 0; i < 120; ++i)
        paras << QStringLiteral("paragraph %1 with some words to fill a line").arg(i);
    edit.setText(paras.join(QStringLiteral("\r\n")));
    QImage page(600, 400, QImage::Format_RGB32);
    const QRectF body(50, 40, 500, 300);

    for (const auto& range : {std::pair{0, edit.textLength()}, std::pair{edit.lineIndex(10) + 3, edit.lineIndex(90)}}) {
        int pos = range.first;
        int pages = 0;
        while (pos < range.second) {
            page.fill(Qt::white);
            QPainter painter(&page);
            const int next = edit.renderPage(painter, body, pos, range.second);
            ASSERT_GT(next, pos) << "a page must take at least one line";
            ASSERT_LE(next, range.second);
            // Pages end at line starts, never inside a line.
            if (next < range.second) {
                ASSERT_EQ(edit.lineIndex(edit.lineFromChar(next)), next);
            }
            pos = next;
            ++pages;
        }
        EXPECT_GT(pages, 1);
        EXPECT_EQ(pos, range.second);
    }
    // Something was drawn inside the body and nothing outside it.
    EXPECT_NE(page.copy(body.toRect()), QImage(body.toRect().size(), QImage::Format_RGB32));
    EXPECT_EQ(page.pixelColor(10, 10), QColor(Qt::white));
    edit.releaseRenderCache();
}

TEST_F(RichEditTest, RenderPageTakesALineEvenWhenTheBodyIsTooSmall)
{
    edit.setText(QStringLiteral("one\r\ntwo"));
    QImage page(100, 100, QImage::Format_RGB32);
    QPainter painter(&page);
    EXPECT_EQ(edit.renderPage(painter, QRectF(0, 0, 100, 1), 0, edit.textLength()), 5);
    EXPECT_EQ(edit.renderPage(painter, QRectF(0, 0, 100, 1), 5, edit.textLength()), edit.textLength());
}

class WrappedLinesTest : public RichEditTest {
protected:
    void SetUp() override
    {
        edit.resize(200, 300);
        edit.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));
    }

    // Lines counted from the document's own layouts, the slow way.
    int layoutLineCount()
    {
        edit.document()->documentLayout()->documentSize();
        int lines = 0;
        for (QTextBlock b = edit.document()->firstBlock(); b.isValid(); b = b.next())
            lines += std::max(1, b.layout()->lineCount());
        return lines;
    }

    void expectConsistentLines()
    {
        const int count = edit.lineCount();
        ASSERT_EQ(count, layoutLineCount());
        QString rebuilt;
        for (int line = 0; line < count; ++line) {
            const int start = edit.lineIndex(line);
            ASSERT_GE(start, 0) << "line " << line;
            ASSERT_EQ(edit.lineFromChar(start), line) << "line " << line;
            const int next = line + 1 < count ? edit.lineIndex(line + 1) : edit.textLength();
            rebuilt += edit.lineText(line);
            if (next - start > edit.lineText(line).size())
                rebuilt += QStringLiteral("\r\n");
        }
        EXPECT_EQ(edit.lineIndex(count), -1);
        EXPECT_EQ(str(rebuilt), str(edit.text()));
    }
};

TEST_F(WrappedLinesTest, DisplayLinesCountAfterLayoutCompletes)
{
    QSignalSpy completed(&edit, &RichEdit::lineLayoutCompleted);
    const QString para = QStringLiteral("lorem ipsum dolor sit amet consectetur adipiscing elit ");
    edit.setText(para.repeated(4) + QStringLiteral("\r\n\r\nshort\r\n") + para.repeated(2));
    // Short texts are laid out with the edit; longer ones finish in idle slices.
    ASSERT_TRUE(edit.isLineLayoutComplete() || completed.wait(5000));
    EXPECT_GT(edit.lineCount(), 4);
    expectConsistentLines();
}

TEST_F(WrappedLinesTest, EditsKeepLineCountsCurrent)
{
    const QString para = QStringLiteral("word ").repeated(30);
    QStringList paras;
    for (int i = 0; i < 50; ++i)
        paras << para;
    edit.setText(paras.join(QStringLiteral("\r\n")));
    edit.completeLineLayout();
    expectConsistentLines();

    edit.setSelection(edit.lineIndex(3), 0);
    edit.replaceSelection(para + QStringLiteral("\r\nnew\r\n"));
    expectConsistentLines();
    edit.setSelection(10, 400);
    edit.deleteSelection();
    expectConsistentLines();
    edit.undo();
    expectConsistentLines();

    edit.resize(350, 300);
    QCoreApplication::processEvents();
    edit.completeLineLayout();
    expectConsistentLines();

    edit.setWordWrap(false);
    EXPECT_EQ(edit.lineCount(), edit.document()->blockCount());
    edit.setWordWrap(true);
    edit.completeLineLayout();
    expectConsistentLines();
}

TEST_F(WrappedLinesTest, ScrollLinesMovesTheFirstVisibleLine)
{
    QStringList paras;
    for (int i = 0; i < 200; ++i)
        paras << QStringLiteral("line %1").arg(i);
    edit.setText(paras.join(QStringLiteral("\r\n")));
    edit.completeLineLayout();
    EXPECT_EQ(edit.firstVisibleLine(), 0);
    edit.scrollLines(50);
    EXPECT_EQ(edit.firstVisibleLine(), 50);
    edit.scrollLines(-20);
    EXPECT_EQ(edit.firstVisibleLine(), 30);
    edit.scrollLines(-1000);
    EXPECT_EQ(edit.firstVisibleLine(), 0);
}

}  // namespace
}  // namespace qp

namespace qp {
namespace {

// A ".rtf" file that holds plain text is read as text; written as RTF and
// read again it is RTF, and a second write must give the same file.
TEST_F(RichEditTest, PlainTextReadAsRichTextWritesTheSameTwice)
{
    for (const bool withDefaultFormat : {false, true}) {
        SCOPED_TRACE(withDefaultFormat ? "with a default format" : "as the editor starts");
        RichEdit editor;
        if (withDefaultFormat) {
            CharFormat character;
            character.fontName = QStringLiteral("Arial");
            character.sizePoints = 10;
            editor.setSelectionCharFormat(character, CharAttribute::Name | CharAttribute::Size);
            ParagraphFormat paragraph;
            paragraph.tabStops = {36, 72, 108};
            editor.setSelectionParagraphFormat(paragraph, ParagraphAttribute::TabStops);
            editor.setDefaultFontName(QStringLiteral("Arial"));
            editor.setDefaultFontSize(10);
        }
        editor.loadBytes("Not RTF at all\r\njust {text} with a \\backslash\r\n");
        const QByteArray first = editor.richText();
        editor.loadBytes(first);
        const QByteArray second = editor.richText();
        EXPECT_EQ(second.toStdString(), first.toStdString());
        editor.loadBytes(second);
        EXPECT_EQ(editor.richText().toStdString(), second.toStdString());
    }
}

}  // namespace
}  // namespace qp

namespace qp {
namespace {

// Hiding hidden text is no edit: opening such a file leaves it unchanged.
TEST_F(RichEditTest, HidingHiddenTextIsNoChangeOfTheText)
{
    QSignalSpy changes(&edit, &RichEdit::editTextChanged);
    ASSERT_TRUE(edit.loadRichText("{\\rtf1\\ansi one{\\v  secret} two\\par{\\v hidden line}\\par three}"));
    const int afterLoad = int(changes.count());
    edit.show();
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(changes.count(), afterLoad);
    EXPECT_FALSE(edit.document()->isModified());
    EXPECT_FALSE(edit.canUndo());
}

}  // namespace
}  // namespace qp
