// The stored default format and the quick formatting commands, on an editor
// of their own: what each puts on the selection, and what it leaves alone.
#include "format/Tools_Format.h"

#include "support/Fakes.h"

#include "editor/RichEdit.h"
#include "platform/Errors.h"
#include "store/Registry.h"

#include <QApplication>
#include <QPalette>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qp;

namespace {

QList<int> stopsEvery(int spacing)
{
    QList<int> stops;
    for (int k = 1; k <= 32; ++k)
        stops << k * spacing;
    return stops;
}

// Tab stops in the whole points the program works in.
QList<int> whole(const QList<qreal>& stops)
{
    QList<int> result;
    for (const qreal stop : stops)
        result << wholePoints(stop);
    return result;
}

class Formatting : public ::testing::Test, public FormatHost {
protected:
    Formatting() : store(folder.path()) {}

    RichEdit& editor() override { return edit; }
    Registry& registry() override { return store; }
    MessageService& messages() override { return boxes; }
    bool guarded(const std::function<void()>& work) override { return runGuarded(boxes, work); }
    bool rememberDialogPosition() override { return false; }
    QRect mainWindowFrame() override { return {}; }

    // Characters [start, start + length) in one face, size and style set.
    void format(int start, int length, const QString& face, qreal size, FontStyles styles = {},
                const QColor& color = QColor())
    {
        edit.setSelection(start, length);
        CharFormat f;
        f.fontName = face;
        f.sizePoints = size;
        f.styles = styles;
        f.color = color;
        edit.setSelectionCharFormat(f, CharAttribute::Name | CharAttribute::Size | CharAttribute::Bold
                                           | CharAttribute::Italic | CharAttribute::Underline
                                           | CharAttribute::StrikeOut | CharAttribute::Color);
    }
    void paragraph(int start, const ParagraphFormat& f, ParagraphAttributes which)
    {
        edit.setSelection(start, 0);
        edit.setSelectionParagraphFormat(f, which);
    }
    CharFormat charsAt(int start, int length)
    {
        edit.setSelection(start, length);
        return edit.selectionCharFormat();
    }
    ParagraphFormat paragraphAt(int pos)
    {
        edit.setSelection(pos, 0);
        return edit.selectionParagraphFormat();
    }
    void deleteStoredValue(const QString& name)
    {
        RegKey::openSettingsWrite(store, textSpecificationsKey()).deleteValue(name);
    }

    QTemporaryDir folder;
    Registry store;
    test::FakeMessageService boxes;
    RichEdit edit;
};

// ---------------------------------------------------------------- default format

TEST_F(Formatting, DefaultFormatGoesOnTheSelectionAndTheEditorsDefaultFont)
{
    edit.setText("plain words");
    format(0, 11, "DejaVu Sans", 9, FontStyle::Italic | FontStyle::StrikeOut);
    DefaultFormat stored;
    stored.fontName = "Liberation Serif";
    stored.fontSize = 14;
    stored.bold = true;
    stored.underline = true;
    writeDefaultFormat(store, stored);

    edit.setSelection(0, 5);
    applyDefaultFormat(edit, store);

    const CharFormat applied = charsAt(0, 5);
    EXPECT_EQ(applied.fontName, "Liberation Serif");
    EXPECT_EQ(applied.sizePoints, 14);
    EXPECT_EQ(applied.styles, FontStyle::Bold | FontStyle::Underline | FontStyle::StrikeOut)
        << "italic cleared, strike-out no part of the default format";
    EXPECT_EQ(charsAt(6, 5).fontName, "DejaVu Sans") << "only the selection";
    EXPECT_EQ(edit.defaultFontName(), "Liberation Serif");
    EXPECT_EQ(edit.defaultFontSize(), 14);
}

TEST_F(Formatting, InstallValuesAreCourierNewTenPointsLeftAndTheEditorsTabs)
{
    writeDefaultFormat(store, DefaultFormat{});
    const auto key = RegKey::openSettingsRead(store, "TextSpecifications");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readString("Default_FontName"), "Courier New");
    QStringList values;
    for (const char* name : {"Default_FontSize", "Default_StyleBold", "Default_StyleItalic", "Default_StyleUnderline",
                             "Default_AlignLeft", "Default_AlignRight", "Default_AlignCenter", "Default_TabSize"})
        values << QString::number(key->readInteger(name));
    EXPECT_EQ(values, (QStringList{"10", "0", "0", "0", "1", "0", "0", "0"}));
}

TEST_F(Formatting, WithoutTheSubkeyNothingIsApplied)
{
    edit.setText("text");
    format(0, 4, "DejaVu Serif", 11, FontStyle::Bold);
    edit.setSelection(0, 4);
    applyDefaultFormat(edit, store);
    EXPECT_EQ(charsAt(0, 4).fontName, "DejaVu Serif");
    EXPECT_EQ(charsAt(0, 4).styles, FontStyle::Bold);
    EXPECT_FALSE(RegKey::openSettingsRead(store, "TextSpecifications")) << "applying never writes";
}

// Closing the window stores its position under the same key before any format is stored.
TEST_F(Formatting, AKeyWithOnlyTheWindowPositionHoldsNoFormat)
{
    RegKey key = RegKey::openSettingsWrite(store, "TextSpecifications");
    key.writeInteger("Position_Left", 10);
    key.writeInteger("Position_Top", 20);
    edit.setText("text");
    format(0, 4, "DejaVu Serif", 11, FontStyle::Bold);
    edit.setSelection(0, 4);
    EXPECT_FALSE(readDefaultFormat(store));
    applyDefaultFormat(edit, store);
    EXPECT_EQ(charsAt(0, 4).fontName, "DejaVu Serif");
}

// The values are read before any is applied, so the last one unreadable still leaves everything.
TEST_F(Formatting, AValueOfTheWrongTypeFailsBeforeAnythingIsApplied)
{
    edit.setText("text");
    format(0, 4, "DejaVu Serif", 11);
    DefaultFormat stored;
    stored.fontName = "Liberation Mono";
    stored.bold = true;
    stored.alignCenter = true;
    writeDefaultFormat(store, stored);
    RegKey::openSettingsWrite(store, textSpecificationsKey()).writeString("Default_TabSize", "wid");

    edit.setSelection(0, 4);
    try {
        applyDefaultFormat(edit, store);
        ADD_FAILURE() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(), "Invalid data type for 'Default_TabSize'");
    }
    EXPECT_EQ(charsAt(0, 4).fontName, "DejaVu Serif");
    EXPECT_EQ(charsAt(0, 4).styles, FontStyles());
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Left);
    EXPECT_NE(edit.defaultFontName(), "Liberation Mono");
}

TEST_F(Formatting, AFlagStoredAsTwoIsOffAndAMissingNameKeepsTheFace)
{
    edit.setText("text");
    format(0, 4, "DejaVu Serif", 11, FontStyle::Bold);
    writeDefaultFormat(store, DefaultFormat{});
    RegKey::openSettingsWrite(store, "TextSpecifications").writeInteger("Default_StyleItalic", 2);
    deleteStoredValue("Default_FontName");
    edit.setSelection(0, 4);
    applyDefaultFormat(edit, store);
    EXPECT_EQ(charsAt(0, 4).styles, FontStyles());
    EXPECT_EQ(charsAt(0, 4).fontName, "DejaVu Serif");
    EXPECT_EQ(charsAt(0, 4).sizePoints, 10);
}

struct AlignmentCase {
    const char* name;
    bool left, right, center;
    ParagraphAlignment expected;
};

class DefaultAlignment : public Formatting, public ::testing::WithParamInterface<AlignmentCase> {};

// The flags are applied left, right, centre in turn: the last one on wins,
// and with none on the paragraphs keep their alignment.
TEST_P(DefaultAlignment, LastFlagOnWins)
{
    const AlignmentCase& c = GetParam();
    edit.setText("one\r\ntwo\r\nthree");
    ParagraphFormat right;
    right.alignment = ParagraphAlignment::Right;
    edit.selectAllText();
    edit.setSelectionParagraphFormat(right, ParagraphAttribute::Alignment);
    DefaultFormat stored;
    stored.alignLeft = c.left;
    stored.alignRight = c.right;
    stored.alignCenter = c.center;
    writeDefaultFormat(store, stored);

    edit.setSelection(1, 6);  // the first two paragraphs
    applyDefaultFormat(edit, store);
    EXPECT_EQ(paragraphAt(0).alignment, c.expected);
    EXPECT_EQ(paragraphAt(6).alignment, c.expected);
    EXPECT_EQ(paragraphAt(11).alignment, ParagraphAlignment::Right) << "a paragraph outside the selection";
}

INSTANTIATE_TEST_SUITE_P(
    Flags, DefaultAlignment,
    ::testing::Values(AlignmentCase{"NoneKeepsIt", false, false, false, ParagraphAlignment::Right},
                      AlignmentCase{"Left", true, false, false, ParagraphAlignment::Left},
                      AlignmentCase{"Center", false, false, true, ParagraphAlignment::Center},
                      AlignmentCase{"LeftAndCenter", true, false, true, ParagraphAlignment::Center},
                      AlignmentCase{"LeftAndRight", true, true, false, ParagraphAlignment::Right},
                      AlignmentCase{"All", true, true, true, ParagraphAlignment::Center}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Formatting, TabSizeGivesThirtyTwoStopsAndZeroTheEditorsSpacing)
{
    edit.setText("a\tb\r\nc\td");
    DefaultFormat stored;
    stored.tabSize = 30;
    writeDefaultFormat(store, stored);
    edit.selectAllText();
    applyDefaultFormat(edit, store);
    EXPECT_EQ(whole(paragraphAt(0).tabStops), stopsEvery(30));
    EXPECT_EQ(whole(paragraphAt(5).tabStops), stopsEvery(30));

    stored.tabSize = 0;
    writeDefaultFormat(store, stored);
    edit.selectAllText();
    applyDefaultFormat(edit, store);
    EXPECT_TRUE(paragraphAt(0).tabStops.isEmpty()) << "stops at 0 leave the editor's own spacing";
}

// ---------------------------------------------------------------- whole points

TEST(WholePoints, TruncatesTheEditorsFinerUnits)
{
    EXPECT_EQ(wholePoints(10.5), 10);
    EXPECT_EQ(wholePoints(10.95), 10);
    EXPECT_EQ(wholePoints(9.99999), 10) << "a unit conversion a hair short of a whole point";
    EXPECT_EQ(wholePoints(-10.5), -10);
    EXPECT_EQ(wholePoints(0), 0);
}

TEST(WholeNumbers, FieldTextsThatAreNotWholeNumbersFail)
{
    EXPECT_EQ(wholeNumberFromText("14"), 14);
    EXPECT_EQ(wholeNumberFromText("-3"), -3);
    for (const char* text : {"", "abc", "12.5", "1e3"}) {
        try {
            wholeNumberFromText(text);
            ADD_FAILURE() << text;
        } catch (const AppError& error) {
            EXPECT_EQ(error.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
        }
    }
}

// ---------------------------------------------------------------- font size and indent steps

struct SizeStepCase {
    const char* name;
    qreal first, rest;
    void (*command)(RichEdit&);
    qreal expected;
};

class FontSizeStep : public Formatting, public ::testing::WithParamInterface<SizeStepCase> {};

// The step starts from the size the editor reports for the selection, its first
// character's, in whole points, and every selected character gets the result.
TEST_P(FontSizeStep, SetsTheReportedSizeOnePointOnOrBack)
{
    const SizeStepCase& c = GetParam();
    edit.setText("abcdef");
    format(0, 3, "DejaVu Sans", c.first);
    format(3, 3, "DejaVu Sans", c.rest);
    edit.setSelection(0, 6);
    c.command(edit);
    EXPECT_EQ(charsAt(0, 3).sizePoints, c.expected);
    EXPECT_EQ(charsAt(3, 3).sizePoints, c.expected);
    EXPECT_TRUE(charsAt(0, 6).uniform.testFlag(CharAttribute::Size));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, FontSizeStep,
    ::testing::Values(SizeStepCase{"Up", 12, 12, formatIncreaseFontsize, 13},
                      SizeStepCase{"Down", 12, 12, formatDecreaseFontsize, 11},
                      SizeStepCase{"MixedUp", 10, 14, formatIncreaseFontsize, 11},
                      SizeStepCase{"HalfPointUp", 10.5, 10.5, formatIncreaseFontsize, 11},
                      SizeStepCase{"HalfPointDown", 10.5, 10.5, formatDecreaseFontsize, 9}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Formatting, IndentStepsMoveWholeParagraphsTenPoints)
{
    edit.setText("first paragraph\r\nsecond\r\nthird");
    ParagraphFormat hanging;
    hanging.firstIndent = 5;
    hanging.leftIndent = 20;  // the other lines start 20 points right of the first
    edit.setSelection(0, 18);
    edit.setSelectionParagraphFormat(hanging, ParagraphAttribute::FirstIndent | ParagraphAttribute::LeftIndent);

    edit.setSelection(0, 18);
    formatIncreaseIndent(edit);
    for (const int pos : {0, 17}) {
        EXPECT_NEAR(paragraphAt(pos).firstIndent, 15, 1e-9);
        EXPECT_NEAR(paragraphAt(pos).leftIndent, 20, 1e-9);
    }
    EXPECT_EQ(paragraphAt(25).firstIndent, 0) << "a paragraph outside the selection";

    edit.setSelection(0, 0);
    formatDecreaseIndent(edit);
    EXPECT_NEAR(paragraphAt(0).firstIndent, 5, 1e-9);
    EXPECT_NEAR(paragraphAt(0).leftIndent, 20, 1e-9);
}

// The command asks for -10; the editor stops the first line at the edge and
// moves the other lines on by the full ten points.
TEST_F(Formatting, DecreaseIndentAtTheEdgePassesTheNegativeIndentOn)
{
    edit.setText("a paragraph whose other lines hang");
    ParagraphFormat hanging;
    hanging.leftIndent = 20;
    edit.setSelectionParagraphFormat(hanging, ParagraphAttribute::LeftIndent);
    formatDecreaseIndent(edit);
    EXPECT_EQ(paragraphAt(0).firstIndent, 0);
    EXPECT_NEAR(paragraphAt(0).leftIndent, 10, 1e-9);
}

// ---------------------------------------------------------------- format painter

TEST_F(Formatting, PasteFormatCarriesFaceSizeStylesAlignmentAndTabs)
{
    edit.setText("source\r\ntarget");
    format(0, 6, "Liberation Serif", 16, FontStyle::Bold | FontStyle::StrikeOut);
    ParagraphFormat centred;
    centred.alignment = ParagraphAlignment::Center;
    centred.tabStops = {36, 50};
    paragraph(0, centred, ParagraphAttribute::Alignment | ParagraphAttribute::TabStops);
    format(8, 6, "DejaVu Sans", 10, FontStyle::Italic | FontStyle::Underline, Qt::red);
    ParagraphFormat indented;
    indented.firstIndent = 20;
    indented.rightIndent = 8;
    paragraph(8, indented, ParagraphAttribute::FirstIndent | ParagraphAttribute::RightIndent);

    FormatMemory memory;
    edit.setSelection(1, 2);
    formatCopyFormat(edit, memory);
    EXPECT_EQ(edit.text(), "source\r\ntarget") << "copying changes nothing";
    EXPECT_EQ(memory.tab, 36);

    edit.setSelection(8, 6);
    formatPasteFormat(edit, memory);
    const CharFormat pasted = charsAt(8, 6);
    EXPECT_EQ(pasted.fontName, "Liberation Serif");
    EXPECT_EQ(pasted.sizePoints, 16);
    EXPECT_EQ(pasted.styles, FontStyle::Bold | FontStyle::StrikeOut) << "italic and underline cleared";
    EXPECT_EQ(pasted.color, QColor(Qt::red)) << "colour is not carried";
    const ParagraphFormat target = paragraphAt(8);
    EXPECT_EQ(target.alignment, ParagraphAlignment::Center);
    EXPECT_EQ(whole(target.tabStops), stopsEvery(36));
    EXPECT_EQ(target.firstIndent, 20) << "indents are not carried";
    EXPECT_EQ(target.rightIndent, 8);
}

// Before any Copy Format the memory holds nothing: pasting it changes nothing.
TEST_F(Formatting, PasteFormatBeforeAnyCopyChangesNothing)
{
    edit.setText("words");
    format(0, 5, "DejaVu Serif", 12, FontStyle::Bold);
    ParagraphFormat right;
    right.alignment = ParagraphAlignment::Right;
    right.tabStops = {40};
    paragraph(0, right, ParagraphAttribute::Alignment | ParagraphAttribute::TabStops);
    edit.setSelection(0, 5);
    formatPasteFormat(edit, FormatMemory{});
    const CharFormat pasted = charsAt(0, 5);
    EXPECT_EQ(pasted.fontName, "DejaVu Serif");
    EXPECT_EQ(pasted.sizePoints, 12);
    EXPECT_EQ(pasted.styles, FontStyle::Bold);
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Right);
    EXPECT_EQ(whole(paragraphAt(0).tabStops), QList<int>{40});
}

// ---------------------------------------------------------------- Remove Format

class RemoveFormat : public Formatting {
protected:
    void SetUp() override
    {
        edit.setText("before bold red text after");
        format(7, 13, "DejaVu Serif", 18, FontStyle::Bold | FontStyle::Italic | FontStyle::StrikeOut, Qt::red);
        ParagraphFormat f;
        f.alignment = ParagraphAlignment::Center;
        f.firstIndent = 30;
        f.leftIndent = 10;
        f.rightIndent = 12;
        f.bullet = true;
        paragraph(0, f, ParagraphAttribute::Alignment | ParagraphAttribute::FirstIndent | ParagraphAttribute::LeftIndent
                            | ParagraphAttribute::RightIndent | ParagraphAttribute::Bullet);
        edit.setBackgroundColor(Qt::yellow);
        DefaultFormat stored;
        stored.fontName = "Liberation Mono";
        stored.fontSize = 11;
        stored.underline = true;
        stored.alignLeft = false;
        stored.alignRight = true;
        writeDefaultFormat(store, stored);
        edit.setSelection(7, 13);
    }
};

TEST_F(RemoveFormat, YesLeavesTheTextInTheDefaultFormatAndNothingElse)
{
    boxes.answer(Answer::Yes);
    formatRemoveFormat(*this);

    ASSERT_EQ(boxes.boxes().size(), 1);
    EXPECT_EQ(boxes.boxes()[0].kind, test::FakeMessageService::Kind::Confirm);
    EXPECT_EQ(boxes.boxes()[0].text, "Remove ALL formatting and set font to default?");
    EXPECT_EQ(boxes.boxes()[0].buttons, Buttons::YesNo);

    EXPECT_EQ(edit.text(), "before bold red text after");
    EXPECT_EQ(edit.selStart(), 20) << "caret after the text";
    EXPECT_EQ(edit.selLength(), 0);
    const CharFormat removed = charsAt(7, 13);
    EXPECT_EQ(removed.uniform, CharAttributes(0x7F)) << "one uniform format";
    EXPECT_EQ(removed.fontName, "Liberation Mono");
    EXPECT_EQ(removed.sizePoints, 11);
    EXPECT_EQ(removed.styles, FontStyle::Underline);
    EXPECT_FALSE(removed.color.isValid()) << "automatic colour";
    const ParagraphFormat p = paragraphAt(10);
    EXPECT_EQ(p.alignment, ParagraphAlignment::Right);
    EXPECT_EQ(p.firstIndent, 0);
    EXPECT_EQ(p.leftIndent, 0);
    EXPECT_EQ(p.rightIndent, 0);
    EXPECT_FALSE(p.bullet);
    EXPECT_EQ(edit.backgroundColor(), QApplication::palette().color(QPalette::Base));
    EXPECT_EQ(edit.defaultFontName(), "Liberation Mono");
}

TEST_F(RemoveFormat, NoEndsSilentlyWithNothingChanged)
{
    boxes.answer(Answer::No);
    EXPECT_FALSE(guarded([this] { formatRemoveFormat(*this); }));
    EXPECT_TRUE(boxes.errors().isEmpty());
    EXPECT_EQ(edit.selStart(), 7);
    EXPECT_EQ(edit.selLength(), 13);
    const CharFormat kept = charsAt(7, 13);
    EXPECT_EQ(kept.fontName, "DejaVu Serif");
    EXPECT_EQ(kept.styles, FontStyle::Bold | FontStyle::Italic | FontStyle::StrikeOut);
    EXPECT_EQ(kept.color, QColor(Qt::red));
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Center);
    EXPECT_TRUE(paragraphAt(0).bullet);
    EXPECT_EQ(edit.backgroundColor(), QColor(Qt::yellow));
}

// Styles, colour and paragraph are reset before the default format fails;
// the text is not replaced and the background stays.
TEST_F(RemoveFormat, AnUnreadableDefaultValueStopsAfterTheResets)
{
    RegKey::openSettingsWrite(store, textSpecificationsKey()).writeString("Default_FontSize", "big");
    boxes.answer(Answer::Yes);
    EXPECT_FALSE(guarded([this] { formatRemoveFormat(*this); }));
    EXPECT_EQ(boxes.errors(), QStringList{"Invalid data type for 'Default_FontSize'"});
    EXPECT_EQ(edit.selStart(), 7);
    EXPECT_EQ(edit.selLength(), 13) << "not replaced";
    const CharFormat reset = charsAt(7, 13);
    EXPECT_EQ(reset.styles, FontStyles());
    EXPECT_FALSE(reset.color.isValid());
    EXPECT_EQ(reset.fontName, "DejaVu Serif") << "the default face never came";
    EXPECT_EQ(paragraphAt(0).alignment, ParagraphAlignment::Left);
    EXPECT_FALSE(paragraphAt(0).bullet);
    EXPECT_EQ(edit.backgroundColor(), QColor(Qt::yellow));
}

TEST_F(RemoveFormat, WithoutAStoredFormatTheOtherStepsStillRun)
{
    store.deleteKey(Hive::CurrentUser, settingsRoot() + "\\TextSpecifications");
    boxes.answer(Answer::Yes);
    formatRemoveFormat(*this);
    EXPECT_EQ(edit.selLength(), 0);
    const CharFormat removed = charsAt(7, 13);
    EXPECT_EQ(removed.fontName, "DejaVu Serif");
    EXPECT_EQ(removed.styles, FontStyles());
    EXPECT_EQ(edit.backgroundColor(), QApplication::palette().color(QPalette::Base));
}

}  // namespace
