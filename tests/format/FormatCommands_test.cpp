// The format commands in the running program: their keys, the default
// format at start-up, New and load (never at save), and formats that live
// through a save and a reload as RTF.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"
#include "format/Tools_Format.h"
#include "store/Registry.h"

#include <QApplication>
#include <QPalette>

#include <functional>

using namespace qp;
using namespace qp::test;

namespace {

QList<int> stopsEvery(int spacing)
{
    QList<int> stops;
    for (int k = 1; k <= 32; ++k)
        stops << k * spacing;
    return stops;
}

QList<int> whole(const QList<qreal>& stops)
{
    QList<int> result;
    for (const qreal stop : stops)
        result << wholePoints(stop);
    return result;
}

class FormatCommands : public AppFixture {
public:
    using AppFixture::app;
    using AppFixture::messages;
    using AppFixture::press;

protected:
    void SetUp() override
    {
        start();
        focusEditor();
    }
    void focusEditor()
    {
        editor().setFocus();
        processEvents();
    }
    CharFormat charsAt(int start, int length)
    {
        editor().setSelection(start, length);
        return editor().selectionCharFormat();
    }
    ParagraphFormat paragraphAt(int pos)
    {
        editor().setSelection(pos, 0);
        return editor().selectionParagraphFormat();
    }
    void setChars(int start, int length, const CharFormat& format, CharAttributes which)
    {
        editor().setSelection(start, length);
        editor().setSelectionCharFormat(format, which);
    }
    void setParagraph(int pos, const ParagraphFormat& format, ParagraphAttributes which)
    {
        editor().setSelection(pos, 0);
        editor().setSelectionParagraphFormat(format, which);
    }
    // Liberation Serif 14 bold, centred, a stop every 20 points.
    static DefaultFormat serifDefault()
    {
        DefaultFormat format;
        format.fontName = "Liberation Serif";
        format.fontSize = 14;
        format.bold = true;
        format.alignLeft = false;
        format.alignCenter = true;
        format.tabSize = 20;
        return format;
    }
    void expectSerifDefault(int start, int length)
    {
        const CharFormat chars = charsAt(start, length);
        EXPECT_EQ(chars.fontName, "Liberation Serif");
        EXPECT_EQ(chars.sizePoints, 14);
        EXPECT_EQ(chars.styles, FontStyle::Bold);
        EXPECT_EQ(paragraphAt(start).alignment, ParagraphAlignment::Center);
        EXPECT_EQ(whole(paragraphAt(start).tabStops), stopsEvery(20));
    }
};

TEST_F(FormatCommands, SizeAndIndentStepsOnTheirKeys)
{
    type("some words");
    CharFormat twelve;
    twelve.sizePoints = 12;
    setChars(0, 10, twelve, CharAttribute::Size);
    editor().setSelection(0, 4);

    press(QKeySequence("Ctrl+Shift+."));
    press(QKeySequence("Ctrl+Shift+."));
    EXPECT_EQ(charsAt(0, 4).sizePoints, 14);
    editor().setSelection(0, 4);
    press(QKeySequence("Ctrl+Shift+,"));
    EXPECT_EQ(charsAt(0, 4).sizePoints, 13);
    EXPECT_EQ(charsAt(5, 5).sizePoints, 12) << "only the selection";

    editor().setSelection(3, 0);
    press(QKeySequence("Ctrl+."));
    press(QKeySequence("Ctrl+."));
    EXPECT_EQ(wholePoints(paragraphAt(0).firstIndent), 20);
    press(QKeySequence("Ctrl+,"));
    EXPECT_EQ(wholePoints(paragraphAt(0).firstIndent), 10);
    EXPECT_EQ(editor().text(), "some words");
}

TEST_F(FormatCommands, FormatPainterOnItsKeysAcrossDocuments)
{
    type("source");
    CharFormat bold;
    bold.fontName = "DejaVu Serif";
    bold.sizePoints = 15;
    bold.styles = FontStyle::Bold | FontStyle::StrikeOut;
    setChars(0, 6, bold, CharAttribute::Name | CharAttribute::Size | CharAttribute::Bold | CharAttribute::StrikeOut);
    ParagraphFormat right;
    right.alignment = ParagraphAlignment::Right;
    right.tabStops = {36};
    setParagraph(0, right, ParagraphAttribute::Alignment | ParagraphAttribute::TabStops);
    editor().setSelection(2, 0);
    press(QKeySequence("Ctrl+Shift+C"));

    // The memory outlives the document it came from.
    messages.answer(Answer::No);
    press(QKeySequence("Ctrl+N"));
    type("target");
    editor().selectAllText();
    press(QKeySequence("Ctrl+Shift+V"));
    const CharFormat pasted = charsAt(0, 6);
    EXPECT_EQ(pasted.fontName, "DejaVu Serif");
    EXPECT_EQ(pasted.sizePoints, 15);
    EXPECT_EQ(pasted.styles, FontStyle::Bold | FontStyle::StrikeOut);
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Right);
    EXPECT_EQ(whole(paragraphAt(0).tabStops), stopsEvery(36));
}

TEST_F(FormatCommands, RemoveFormatOnlyWithASelectionAndAfterYes)
{
    type("keep this text");
    CharFormat red;
    red.styles = FontStyle::Bold;
    red.color = Qt::red;
    setChars(5, 4, red, CharAttribute::Bold | CharAttribute::Color);
    ParagraphFormat centred;
    centred.alignment = ParagraphAlignment::Center;
    setParagraph(0, centred, ParagraphAttribute::Alignment);
    writeDefaultFormat(registry(), DefaultFormat{});

    editor().setSelection(7, 0);
    press(QKeySequence("Alt+Backspace"));
    EXPECT_TRUE(messages.boxes().isEmpty()) << "disabled without a selection";
    EXPECT_EQ(editor().text(), "keep this text") << "and the key goes no further";

    editor().setSelection(5, 4);
    processEvents();
    messages.answer(Answer::No);
    press(QKeySequence("Alt+Backspace"));
    EXPECT_EQ(messages.texts(), QStringList{"Remove ALL formatting and set font to default?"});
    EXPECT_EQ(editor().selLength(), 4);
    EXPECT_EQ(charsAt(5, 4).color, QColor(Qt::red));
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Center);

    editor().setSelection(5, 4);
    processEvents();
    messages.answer(Answer::Yes);
    press(QKeySequence("Alt+Backspace"));
    EXPECT_EQ(editor().text(), "keep this text");
    const CharFormat removed = charsAt(5, 4);
    EXPECT_EQ(removed.fontName, "Courier New");
    EXPECT_EQ(removed.sizePoints, 10);
    EXPECT_EQ(removed.styles, FontStyles());
    EXPECT_FALSE(removed.color.isValid());
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Left);
    EXPECT_EQ(app().document().state, DocState::Modified);
}

TEST_F(FormatCommands, DefaultFormatAtStartUpAndNew)
{
    writeDefaultFormat(registry(), serifDefault());
    start();
    focusEditor();
    EXPECT_FALSE(editor().canUndo());
    type("typed");
    expectSerifDefault(0, 5);
    EXPECT_EQ(editor().defaultFontName(), "Liberation Serif");
    EXPECT_EQ(editor().defaultFontSize(), 14);
    EXPECT_EQ(app().document().state, DocState::Modified);

    CharFormat other;
    other.fontName = "DejaVu Sans";
    other.sizePoints = 9;
    setChars(0, 5, other, CharAttribute::Name | CharAttribute::Size | CharAttribute::Bold);
    messages.answer(Answer::No);
    press(QKeySequence("Ctrl+N"));
    EXPECT_EQ(app().document().state, DocState::New);
    EXPECT_FALSE(editor().canUndo()) << "a new document has nothing to undo";
    type("again");
    expectSerifDefault(0, 5);
}

// A text file takes the default format whole; an RTF file keeps its own.
TEST_F(FormatCommands, LoadedFilesStartFromTheDefaultFormat)
{
    writeDefaultFormat(registry(), serifDefault());
    const QString text = writeFile("notes.txt", "first line\tcolumn\nsecond line\n");
    loadNamedFile(app(), text);
    EXPECT_EQ(editor().text(), "first line\tcolumn\r\nsecond line\r\n");
    expectSerifDefault(0, 10);
    expectSerifDefault(19, 6);
    EXPECT_EQ(app().document().state, DocState::Saved);

    const QString rich = writeFile("story.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Sans;}}\\f0\\fs20 own format\\par}");
    loadNamedFile(app(), rich);
    EXPECT_EQ(charsAt(0, 3).fontName, "DejaVu Sans");
    EXPECT_EQ(charsAt(0, 3).sizePoints, 10);
    EXPECT_EQ(charsAt(0, 3).styles, FontStyles());
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Left);
    EXPECT_EQ(editor().defaultFontName(), "Liberation Serif") << "the editor's own default font";
}

TEST_F(FormatCommands, SavingNeverAppliesTheDefaultFormat)
{
    type("bold start");
    CharFormat bold;
    bold.fontName = "DejaVu Sans";
    bold.styles = FontStyle::Bold;
    setChars(0, 4, bold, CharAttribute::Name | CharAttribute::Bold);
    editor().setSelection(0, 10);
    writeDefaultFormat(registry(), serifDefault());

    fileDialogs.choose(scratchPath("kept.rtf"), int(SaveFormat::RichText));
    press(QKeySequence("Ctrl+S"));
    ASSERT_EQ(app().document().fileName, scratchPath("kept.rtf"));
    EXPECT_EQ(charsAt(0, 4).fontName, "DejaVu Sans");
    EXPECT_EQ(charsAt(0, 4).styles, FontStyle::Bold);
    EXPECT_EQ(charsAt(5, 5).styles, FontStyles());
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Left);
}

// The stored format is read before the editor is cleared: one holding a
// value of the wrong type refuses the load with the store's message and keeps
// the document. (A missing value takes its built-in value: MissingSettings.)
TEST_F(FormatCommands, ADefaultFormatValueOfTheWrongTypeRefusesTheLoadAndKeepsTheDocument)
{
    type("unsaved words");
    writeDefaultFormat(registry(), serifDefault());
    RegKey::openSettingsWrite(registry(), "TextSpecifications").writeString("Default_AlignRight", "on");
    const QString other = writeFile("other.txt", "other");

    EXPECT_FALSE(app().guarded([&] { loadNamedFile(app(), other); }));
    EXPECT_EQ(messages.errors(), QStringList{"Invalid data type for 'Default_AlignRight'"});
    EXPECT_EQ(editor().text(), "unsaved words");
    EXPECT_TRUE(app().document().fileName.isEmpty());
    EXPECT_EQ(app().document().state, DocState::Modified);
}

TEST_F(FormatCommands, FormatsSurviveASaveAndAReloadAsRtf)
{
    editor().setText("Title\r\nbody\tcolumn");
    CharFormat title;
    title.fontName = "Liberation Serif";
    title.sizePoints = 16;
    title.styles = FontStyle::Bold;
    setChars(0, 5, title, CharAttribute::Name | CharAttribute::Size | CharAttribute::Bold);
    ParagraphFormat centred;
    centred.alignment = ParagraphAlignment::Center;
    setParagraph(0, centred, ParagraphAttribute::Alignment);
    CharFormat body;
    body.fontName = "DejaVu Sans";
    body.sizePoints = 11;
    body.styles = FontStyle::Italic | FontStyle::Underline | FontStyle::StrikeOut;
    body.color = Qt::red;
    setChars(7, 11, body, CharAttribute::Name | CharAttribute::Size | CharAttribute::Italic
                              | CharAttribute::Underline | CharAttribute::StrikeOut | CharAttribute::Color);
    ParagraphFormat indented;
    indented.alignment = ParagraphAlignment::Right;
    indented.firstIndent = 20;
    indented.tabStops = {36, 72, 108};
    setParagraph(8, indented, ParagraphAttribute::Alignment | ParagraphAttribute::FirstIndent
                                  | ParagraphAttribute::TabStops);

    fileDialogs.choose(scratchPath("formats.rtf"), int(SaveFormat::RichText));
    press(QKeySequence("Ctrl+S"));
    ASSERT_EQ(app().document().state, DocState::Saved);
    restart({scratchPath("formats.rtf")});

    ASSERT_EQ(editor().text(), "Title\r\nbody\tcolumn");
    const CharFormat t = charsAt(0, 5);
    EXPECT_EQ(t.fontName, "Liberation Serif");
    EXPECT_EQ(t.sizePoints, 16);
    EXPECT_EQ(t.styles, FontStyle::Bold);
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Center);
    const CharFormat b = charsAt(7, 11);
    EXPECT_EQ(b.uniform, CharAttributes(0x7F));
    EXPECT_EQ(b.fontName, "DejaVu Sans");
    EXPECT_EQ(b.sizePoints, 11);
    EXPECT_EQ(b.styles, FontStyle::Italic | FontStyle::Underline | FontStyle::StrikeOut);
    EXPECT_EQ(b.color, QColor(Qt::red));
    const ParagraphFormat p = paragraphAt(8);
    EXPECT_EQ(p.alignment, ParagraphAlignment::Right);
    EXPECT_EQ(wholePoints(p.firstIndent), 20);
    EXPECT_EQ(whole(p.tabStops), (QList<int>{36, 72, 108}));
}

}  // namespace

// ---------------------------------------------------------------- undo steps

// A document with a bold red heading and a body paragraph with tab stops, the
// body selected, and a Copy Format already made from the heading where a case
// wants one.
struct FormatStep {
    const char* name;
    bool copyFirst;
    std::function<void(FormatCommands&)> command;
};

void PrintTo(const FormatStep& step, std::ostream* out)
{
    *out << step.name;
}

class FormatUndoSteps : public FormatCommands, public ::testing::WithParamInterface<FormatStep> {
protected:
    void SetUp() override
    {
        FormatCommands::SetUp();
        // The format the editor starts with, so that Remove Format leaves its default font as it was.
        writeDefaultFormat(registry(), DefaultFormat{});
        editor().setText("Heading\r\nbody\ttext here");
        CharFormat heading;
        heading.fontName = "DejaVu Sans";
        heading.sizePoints = 16;
        heading.styles = FontStyle::Bold | FontStyle::StrikeOut;
        heading.color = Qt::red;
        setChars(0, 7, heading, CharAttribute::Name | CharAttribute::Size | CharAttribute::Bold
                                    | CharAttribute::StrikeOut | CharAttribute::Color);
        ParagraphFormat centred;
        centred.alignment = ParagraphAlignment::Center;
        centred.tabStops = {24};
        setParagraph(0, centred, ParagraphAttribute::Alignment | ParagraphAttribute::TabStops);
        CharFormat plain;
        plain.fontName = "Liberation Sans";
        plain.sizePoints = 11;
        setChars(9, 14, plain, CharAttribute::Name | CharAttribute::Size);
        ParagraphFormat body;
        body.firstIndent = 12;
        body.tabStops = {50, 100};
        setParagraph(9, body, ParagraphAttribute::FirstIndent | ParagraphAttribute::TabStops);
        editor().clearUndo();
        focusEditor();
    }
    QString rtf() { return QString::fromLatin1(editor().richText()); }
};

TEST_P(FormatUndoSteps, OneCommandIsOneUndoStepAndOneRedoStep)
{
    if (GetParam().copyFirst) {
        editor().setSelection(2, 0);
        press(QKeySequence("Ctrl+Shift+C"));
    }
    editor().setSelection(9, 9);
    processEvents();
    const QString before = rtf();
    const QString text = editor().text();

    GetParam().command(*this);
    const QString after = rtf();
    ASSERT_NE(after, before) << "the command changes the document";

    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(rtf(), before) << "one Ctrl+Z takes the whole command back";
    EXPECT_EQ(editor().text(), text);
    EXPECT_FALSE(editor().canUndo()) << "and nothing of it is left to undo";
    press(QKeySequence("Ctrl+Shift+Z"));
    EXPECT_EQ(rtf(), after) << "one Redo makes it again";
}

INSTANTIATE_TEST_SUITE_P(
    FormatCommands, FormatUndoSteps,
    ::testing::Values(
        FormatStep{"PasteFormat", true, [](FormatCommands& t) { t.press(QKeySequence("Ctrl+Shift+V")); }},
        FormatStep{"RemoveFormat", false,
                   [](FormatCommands& t) {
                       t.messages.answer(Answer::Yes);
                       t.press(QKeySequence("Alt+Backspace"));
                   }},
        FormatStep{"IncreaseFontsize", false, [](FormatCommands& t) { t.press(QKeySequence("Ctrl+Shift+.")); }},
        FormatStep{"IncreaseIndent", false, [](FormatCommands& t) { t.press(QKeySequence("Ctrl+.")); }},
        FormatStep{"Bold", false, [](FormatCommands& t) { t.press(QKeySequence("Ctrl+B")); }},
        FormatStep{"Center", false, [](FormatCommands& t) { t.press(QKeySequence("Ctrl+E")); }}),
    [](const auto& info) { return std::string(info.param.name); });

// Before any Copy Format the memory holds nothing to paste: the text keeps its
// face and size (it used to shrink to 1 point) and nothing becomes undoable.
TEST_F(FormatCommands, PasteFormatBeforeAnyCopyChangesNothing)
{
    type("words");
    CharFormat serif;
    serif.fontName = "DejaVu Serif";
    serif.sizePoints = 12;
    serif.styles = FontStyle::Bold;
    setChars(0, 5, serif, CharAttribute::Name | CharAttribute::Size | CharAttribute::Bold);
    ParagraphFormat right;
    right.alignment = ParagraphAlignment::Right;
    right.tabStops = {40};
    setParagraph(0, right, ParagraphAttribute::Alignment | ParagraphAttribute::TabStops);
    editor().clearUndo();
    editor().setSelection(0, 5);
    const QByteArray before = editor().richText();

    press(QKeySequence("Ctrl+Shift+V"));
    EXPECT_EQ(editor().richText(), before);
    EXPECT_EQ(charsAt(0, 5).sizePoints, 12);
    EXPECT_FALSE(editor().canUndo());
}

// ---------------------------------------------------------------- where typing takes its format from

// The caret sits in red struck-out text of the previous document; then a
// document replaces it and the user types at its start.
struct FreshDocument {
    const char* name;
    std::function<void(FormatCommands&)> replace;
    const char* face;  // what the typed letter gets
    int size;
    FontStyles styles;
    QColor color;  // invalid: automatic
};

void PrintTo(const FreshDocument& c, std::ostream* out)
{
    *out << c.name;
}

class TypingInAFreshDocument : public FormatCommands, public ::testing::WithParamInterface<FreshDocument> {
public:
    using AppFixture::scratchPath;
    using AppFixture::writeFile;
};

TEST_P(TypingInAFreshDocument, TakesItsOwnFormatNotThePreviousDocuments)
{
    writeDefaultFormat(registry(), DefaultFormat{});
    type("old ");
    CharFormat marked;
    marked.styles = FontStyle::StrikeOut;
    marked.color = Qt::red;
    editor().setSelection(4, 0);
    editor().setSelectionCharFormat(marked, CharAttribute::StrikeOut | CharAttribute::Color);
    type("struck");
    ASSERT_EQ(charsAt(4, 6).color, QColor(Qt::red));
    editor().setSelection(10, 0);

    messages.answer(Answer::No);
    GetParam().replace(*this);
    ASSERT_EQ(editor().selStart(), 0);
    focusEditor();
    type("x");
    const CharFormat typed = charsAt(0, 1);
    EXPECT_EQ(typed.fontName, GetParam().face);
    EXPECT_EQ(typed.sizePoints, GetParam().size);
    EXPECT_EQ(typed.styles, GetParam().styles);
    EXPECT_EQ(typed.color, GetParam().color);
}

INSTANTIATE_TEST_SUITE_P(
    FormatCommands, TypingInAFreshDocument,
    ::testing::Values(
        FreshDocument{"NewDocument", [](FormatCommands& t) { t.press(QKeySequence("Ctrl+N")); }, "Courier New", 10,
                      FontStyles(), QColor()},
        FreshDocument{"OpenedTextFile",
                      [](FormatCommands& t) {
                          auto& self = static_cast<TypingInAFreshDocument&>(t);
                          loadNamedFile(t.app(), self.writeFile("notes.txt", "plain words\n"));
                      },
                      "Courier New", 10, FontStyles(), QColor()},
        FreshDocument{"OpenedRtfWithABoldRedHeading",
                      [](FormatCommands& t) {
                          auto& self = static_cast<TypingInAFreshDocument&>(t);
                          loadNamedFile(t.app(), self.writeFile("story.rtf",
                                                                "{\\rtf1\\ansi{\\fonttbl{\\f0 DejaVu Serif;}}"
                                                                "{\\colortbl;\\red0\\green0\\blue255;}"
                                                                "\\f0\\fs36\\b\\cf1 Heading\\par\\b0\\cf0\\fs20 body\\par}"));
                      },
                      "DejaVu Serif", 18, FontStyle::Bold, QColor(Qt::blue)}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- formatting and plain-text saves

struct PlainSave {
    const char* name;
    bool formatted;  // a bold word in the text
    int saveFormat;
    Answer answer;
    bool asked;
    bool saved;
};

void PrintTo(const PlainSave& c, std::ostream* out)
{
    *out << c.name;
}

class PlainTextSave : public FormatCommands, public ::testing::WithParamInterface<PlainSave> {
public:
    using AppFixture::fileDialogs;
    using AppFixture::scratchPath;
};

const QString FormattingLost = QStringLiteral(
    "This document is saved as plain text, which keeps only the words: its fonts, styles, colours and paragraph "
    "layout will be lost.\rSave it as plain text?");

TEST_P(PlainTextSave, FormattingThatWouldBeLostIsToldOncePerDocument)
{
    const PlainSave& c = GetParam();
    type("plain and bold words");
    if (c.formatted) {
        CharFormat bold;
        bold.styles = FontStyle::Bold;
        setChars(10, 4, bold, CharAttribute::Bold);
    }
    const QString file = scratchPath("words.txt");
    fileDialogs.choose(file, c.saveFormat);
    messages.answer(c.answer);
    press(QKeySequence("Ctrl+S"));
    EXPECT_EQ(messages.texts(), c.asked ? QStringList{FormattingLost} : QStringList{});
    EXPECT_EQ(QFile::exists(file), c.saved);
    if (!c.saved) {
        EXPECT_EQ(app().document().state, DocState::Modified);
        return;
    }
    // Once agreed, the same document saves again without a word.
    type(" more");
    press(QKeySequence("Ctrl+S"));
    EXPECT_EQ(messages.texts().size(), c.asked ? 1 : 0);
    EXPECT_EQ(app().document().state, DocState::Saved);

    // Another document is asked about afresh.
    press(QKeySequence("Ctrl+N"));
    type("again bold");
    CharFormat bold;
    bold.styles = FontStyle::Bold;
    setChars(6, 4, bold, CharAttribute::Bold);
    fileDialogs.choose(scratchPath("other.txt"), int(SaveFormat::PlainText));
    messages.answer(Answer::Yes);
    press(QKeySequence("Ctrl+S"));
    EXPECT_EQ(messages.texts().size(), c.asked ? 2 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    FormatCommands, PlainTextSave,
    ::testing::Values(PlainSave{"FormattedAsTextYes", true, int(SaveFormat::PlainText), Answer::Yes, true, true},
                      PlainSave{"FormattedAsTextNo", true, int(SaveFormat::PlainText), Answer::No, true, false},
                      PlainSave{"FormattedAsAllFiles", true, int(SaveFormat::AllFiles), Answer::Yes, true, true},
                      PlainSave{"UnformattedAsText", false, int(SaveFormat::PlainText), Answer::Yes, false, true},
                      PlainSave{"FormattedAsRtf", true, int(SaveFormat::RichText), Answer::Yes, false, true}),
    [](const auto& info) { return std::string(info.param.name); });
