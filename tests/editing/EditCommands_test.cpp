// The editing commands and the Enter-key aids, driven through the program's
// own keys on a running main window.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "editing/EditCommands.h"
#include "editing/Tools_Editor.h"
#include "editor/RichEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>

using namespace qp;
using namespace qp::test;

namespace {

const QString Bullet(BulletCharacter);
const QKeySequence Enter(Qt::Key_Return);

class EditCommands : public AppFixture {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        start();
        editor().setFocus();
        processEvents();
    }
    void TearDown() override
    {
        for (int n = 1; n <= 5; ++n)
            app().popupMenu(n)->hide();
    }
    // The text with the caret at `caret`, or a selection from `caret` of `length`.
    void setText(const QString& text, int caret, int length = 0)
    {
        editor().setText(text);
        editor().setSelection(caret, length);
        processEvents();
    }
    std::pair<int, int> selection() const { return {editor().selStart(), editor().selLength()}; }
    // Where the pop-up menus' offsets put a point of the editor on the screen.
    // A window well inside the screen, so no menu is moved to fit.
    void placeWindow()
    {
        app().setGeometry(20, 30, 400, 300);
        processEvents();
    }
    QPoint screenPoint(QPoint inEditor, int dx, int dy) const
    {
        const QPoint editorPos = editor().mapTo(&app(), QPoint(0, 0));
        return app().frameGeometry().topLeft() + editorPos + inEditor + QPoint(dx, dy);
    }
};

// ---------------------------------------------------------------- Enter-key aids

struct EnterRow {
    const char* name;
    QString text;
    int caret;
    QString after;  // the whole text after Enter
    int caretAfter;
};

class EnterKeyAids : public EditCommands, public ::testing::WithParamInterface<EnterRow> {};

TEST_P(EnterKeyAids, EnterContinuesTheLine)
{
    const EnterRow& row = GetParam();
    setText(row.text, row.caret);
    press(Enter);
    EXPECT_EQ(editor().text(), row.after);
    EXPECT_EQ(selection(), std::make_pair(row.caretAfter, 0));
}

INSTANTIATE_TEST_SUITE_P(
    , EnterKeyAids,
    ::testing::Values(
        EnterRow{"TwoSpaces", "  Hello", 7, "  Hello\r\n  ", 11},
        EnterRow{"TwoTabs", "\t\tHello", 7, "\t\tHello\r\n\t\t", 11},
        EnterRow{"Bullet", Bullet + "\tItem", 6, Bullet + "\tItem\r\n" + Bullet + "\t", 10},
        EnterRow{"Dash", "-\tItem", 6, "-\tItem\r\n-\t", 10},
        EnterRow{"Number", "1.\tFirst", 8, "1.\tFirst\r\n2.\t", 13},
        EnterRow{"NineToTen", "9.\tNine", 7, "9.\tNine\r\n10.\t", 13},
        EnterRow{"IndentedNumber", "  12.\tx", 7, "  12.\tx\r\n  13.\t", 15},
        EnterRow{"TabbedNumber", "\t3.\tx", 5, "\t3.\tx\r\n\t4.\t", 11},
        EnterRow{"PeriodWithoutTab", "1. First", 8, "1. First\r\n", 10},
        EnterRow{"TwentySpaces", QString(20, u' ') + "x", 21, QString(20, u' ') + "x\r\n" + QString(16, u' '), 39},
        EnterRow{"CaretAtStartOfNumberedLine", "1.\tx", 0, "\r\n1.\tx", 2},
        EnterRow{"CaretAtStartOfIndentedLine", "a\r\n  b", 3, "a\r\n\r\n  b", 5},
        EnterRow{"CaretMidLineSplitsIt", "  ab", 3, "  a\r\n  b", 7},
        EnterRow{"SecondLineOfAList", "x\r\n1.\ta", 7, "x\r\n1.\ta\r\n2.\t", 12},
        EnterRow{"SpaceThenTabs", " \t\tx", 4, " \t\tx\r\n ", 7},
        EnterRow{"BulletAndTabOnly", Bullet + "\t", 2, Bullet + "\t\r\n" + Bullet + "\t", 6},
        EnterRow{"TwoBulletPairs", Bullet + "\t" + Bullet + "\tx", 5,
                 Bullet + "\t" + Bullet + "\tx\r\n" + Bullet + "\t" + Bullet + "\t", 11},
        EnterRow{"MarkerBeyondTheEighth", "  Total:  1.\tx", 14, "  Total:  1.\tx\r\n  ", 18},
        // A number marker whose digits cannot be read gives no number; the
        // line break and the rest of the prefix still come.
        EnterRow{"UnreadableNumber", "  a1.\tx", 7, "  a1.\tx\r\n  ", 11},
        EnterRow{"BulletBeforeNumber", Bullet + "\t1.\tx", 6, Bullet + "\t1.\tx\r\n" + Bullet + "\t", 10}),
    [](const auto& info) { return std::string(info.param.name); });

// With word wrap on, lines are display lines: the continuation of a wrapped
// item does not begin with its number.
TEST_F(EditCommands, WrappedContinuationLineGetsNoNumber)
{
    placeWindow();
    editor().setWordWrap(true);
    const QString item = "  1.\t" + QString("many words ").repeated(40) + "end";
    setText(item, int(item.size()));
    editor().completeLineLayout();
    ASSERT_GT(editor().lineFromChar(int(item.size())), 0) << "the item must wrap";
    press(Enter);
    EXPECT_EQ(editor().text(), item + "\r\n");

    setText(item, 8);
    press(Enter);
    EXPECT_TRUE(editor().text().startsWith("  1.\tman\r\n  2.\t"));
}

TEST_F(EditCommands, EnterReplacesTheSelection)
{
    setText("  abc def", 4, 3);
    press(Enter);
    EXPECT_EQ(editor().text(), "  ab\r\n  ef");
    EXPECT_EQ(selection(), std::make_pair(8, 0));
}

TEST_F(EditCommands, OneUndoRemovesTheAidedEnter)
{
    setText("  3.\tThree", 10);
    press(Enter);
    ASSERT_EQ(editor().text(), "  3.\tThree\r\n  4.\t");
    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(editor().text(), "  3.\tThree");
}

TEST_F(EditCommands, WithAutoIndentOffEnterIsPlain)
{
    app().options().autoIndent = false;
    setText("  1.\tx", 6);
    press(Enter);
    EXPECT_EQ(editor().text(), "  1.\tx\r\n");
    EXPECT_EQ(selection(), std::make_pair(8, 0));
}

TEST_F(EditCommands, CtrlEnterGetsNoAid)
{
    setText("  1.\tx", 6);
    press(QKeySequence(Qt::CTRL | Qt::Key_Return));
    EXPECT_EQ(editor().text(), "  1.\tx\r\n");
}

TEST_F(EditCommands, ShiftEnterEndsANumberedList)
{
    setText("1.\tFirst", 8);
    press(QKeySequence(Qt::SHIFT | Qt::Key_Return));
    EXPECT_EQ(editor().text(), "1.\tFirst\r\n");
    EXPECT_EQ(selection(), std::make_pair(10, 0));
    type("after");
    EXPECT_EQ(editor().text(), "1.\tFirst\r\nafter");
}

TEST_F(EditCommands, TypedListContinues)
{
    type("-");
    press(QKeySequence(Qt::Key_Tab));
    type("milk");
    press(Enter);
    type("eggs");
    press(Enter);
    EXPECT_EQ(editor().text(), "-\tmilk\r\n-\teggs\r\n-\t");
}

// ---------------------------------------------------------------- case

TEST_F(EditCommands, ChangeCaseCyclesAndKeepsTheSelection)
{
    setText("say hello world now", 4, 11);
    QStringList seen;
    for (int i = 0; i < 3; ++i) {
        press(QKeySequence("Shift+F3"));
        seen << editor().text();
        EXPECT_EQ(selection(), std::make_pair(4, 11));
    }
    EXPECT_EQ(seen, (QStringList{"say Hello world now", "say HELLO WORLD now", "say hello world now"}));
}

TEST_F(EditCommands, OneUndoAfterChangeCase)
{
    setText("hello world", 0, 11);
    press(QKeySequence("Shift+F3"));
    press(QKeySequence("Shift+F3"));
    ASSERT_EQ(editor().text(), "HELLO WORLD");
    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(editor().text(), "Hello world");
}

TEST_F(EditCommands, ChangeCaseIsDisabledWithoutSelection)
{
    setText("hello", 2);
    press(QKeySequence("Shift+F3"));
    EXPECT_EQ(editor().text(), "hello");
}

TEST_F(EditCommands, UpperAndLowerCaseKeepTheSelection)
{
    setText("one Two three", 4, 5);
    press(QKeySequence("Ctrl+]"));
    EXPECT_EQ(editor().text(), "one TWO Three");
    EXPECT_EQ(selection(), std::make_pair(4, 5));
    setText("ONE TWO THREE", 4, 5);
    press(QKeySequence("Ctrl+["));
    EXPECT_EQ(editor().text(), "ONE two tHREE");
    EXPECT_EQ(selection(), std::make_pair(4, 5));
    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(editor().text(), "ONE TWO THREE");
}

TEST_F(EditCommands, CaseAcrossParagraphsKeepsThem)
{
    setText("ab\r\ncd", 0, 6);
    press(QKeySequence("Ctrl+]"));
    EXPECT_EQ(editor().text(), "AB\r\nCD");
    EXPECT_EQ(selection(), std::make_pair(0, 6));
}

// Only the characters that change are replaced, so formatting around them stays.
TEST_F(EditCommands, ChangeCaseKeepsTheFormattingOfUnchangedText)
{
    setText("hello world", 0, 5);
    CharFormat bold;
    bold.styles = FontStyle::Bold;
    editor().setSelectionCharFormat(bold, CharAttribute::Bold);
    editor().setSelection(0, 11);
    press(QKeySequence("Shift+F3"));
    ASSERT_EQ(editor().text(), "Hello world");
    editor().setSelection(1, 4);
    EXPECT_TRUE(editor().selectionCharFormat().styles.testFlag(FontStyle::Bold));
    editor().setSelection(6, 5);
    EXPECT_FALSE(editor().selectionCharFormat().styles.testFlag(FontStyle::Bold));
}

// Changed characters keep their own formatting too, and every paragraph keeps
// its own; a letter whose capital would be two letters stays as it is.
TEST_F(EditCommands, UpperCaseKeepsTheFormattingOfWordsAndParagraphs)
{
    setText("plain bold italic\r\ncentred line\r\nstra\u00dfe", 6, 4);
    CharFormat bold;
    bold.styles = FontStyle::Bold;
    editor().setSelectionCharFormat(bold, CharAttribute::Bold);
    editor().setSelection(11, 6);
    CharFormat italic;
    italic.styles = FontStyle::Italic;
    editor().setSelectionCharFormat(italic, CharAttribute::Italic);
    editor().setSelection(19, 4);
    ParagraphFormat centred;
    centred.alignment = ParagraphAlignment::Center;
    editor().setSelectionParagraphFormat(centred, ParagraphAttribute::Alignment);

    editor().setSelection(0, 31);
    press(QKeySequence("Ctrl+]"));
    ASSERT_EQ(editor().text(), "PLAIN BOLD ITALIC\r\nCENTRED LINE\r\nstra\u00dfe");
    EXPECT_EQ(selection(), std::make_pair(0, 31));
    const auto stylesAt = [&](int start, int length) {
        editor().setSelection(start, length);
        return editor().selectionCharFormat().styles;
    };
    EXPECT_EQ(stylesAt(6, 4), FontStyles(FontStyle::Bold));
    EXPECT_EQ(stylesAt(11, 6), FontStyles(FontStyle::Italic));
    EXPECT_EQ(stylesAt(0, 5), FontStyles());
    editor().setSelection(19, 0);
    EXPECT_EQ(editor().selectionParagraphFormat().alignment, ParagraphAlignment::Center);
    editor().setSelection(0, 0);
    EXPECT_EQ(editor().selectionParagraphFormat().alignment, ParagraphAlignment::Left);

    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(editor().text(), "plain bold italic\r\ncentred line\r\nstra\u00dfe") << "one undo step";
    EXPECT_EQ(stylesAt(6, 4), FontStyles(FontStyle::Bold));

    editor().setSelection(33, 6);
    press(QKeySequence("Ctrl+]"));
    EXPECT_EQ(editor().text(), "plain bold italic\r\ncentred line\r\nSTRA\u00dfE");
}

TEST_F(EditCommands, CaseCommandsLeaveAReadOnlyDocumentAlone)
{
    setText("binary", 0, 6);
    editor().setReadOnly(true);
    press(QKeySequence("Ctrl+]"));
    press(QKeySequence("Ctrl+Y"));
    EXPECT_EQ(editor().text(), "binary");
}

// ---------------------------------------------------------------- lines and characters

struct DeleteLineRow {
    const char* name;
    QString text;
    int caret;
    QString after;
};

class DeleteLine : public EditCommands, public ::testing::WithParamInterface<DeleteLineRow> {};

TEST_P(DeleteLine, RemovesTheCaretsLine)
{
    setText(GetParam().text, GetParam().caret);
    press(QKeySequence("Ctrl+Y"));
    EXPECT_EQ(editor().text(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(, DeleteLine,
                         ::testing::Values(DeleteLineRow{"First", "one\r\ntwo\r\nthree", 1, "two\r\nthree"},
                                           DeleteLineRow{"Middle", "one\r\ntwo\r\nthree", 7, "one\r\nthree"},
                                           // The break in front of the last line stays.
                                           DeleteLineRow{"Last", "one\r\ntwo\r\nthree", 12, "one\r\ntwo\r\n"},
                                           DeleteLineRow{"EmptyLastLine", "one\r\n", 5, "one\r\n"},
                                           DeleteLineRow{"OnlyLine", "alone", 3, ""},
                                           DeleteLineRow{"EmptyDocument", "", 0, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(EditCommands, DeleteLineUsesTheSelectionStart)
{
    setText("one\r\ntwo\r\nthree", 1, 8);
    press(QKeySequence("Ctrl+Y"));
    EXPECT_EQ(editor().text(), "two\r\nthree");
}

struct SwitchRow {
    const char* name;
    QString text;
    int start;
    int length;
    QString after;
    int caretAfter;
    int lengthAfter;
};

class SwitchCharacters : public EditCommands, public ::testing::WithParamInterface<SwitchRow> {};

TEST_P(SwitchCharacters, SwapsTheTwoInFrontOfTheCaret)
{
    const SwitchRow& row = GetParam();
    setText(row.text, row.start, row.length);
    press(QKeySequence("Alt+;"));
    EXPECT_EQ(editor().text(), row.after);
    EXPECT_EQ(selection(), std::make_pair(row.caretAfter, row.lengthAfter));
}

INSTANTIATE_TEST_SUITE_P(
    , SwitchCharacters,
    ::testing::Values(SwitchRow{"AtEnd", "teh", 3, 0, "the", 3, 0},
                      SwitchRow{"MidWord", "hte cat", 2, 0, "the cat", 2, 0},
                      SwitchRow{"SelectionIsDropped", "abcd", 2, 2, "bacd", 2, 0},
                      // Fewer than two characters in front of the caret: nothing changes.
                      SwitchRow{"AtTheStartOfTheText", "abc", 0, 0, "abc", 0, 0},
                      SwitchRow{"OneCharacterIn", "abc", 1, 0, "abc", 1, 0},
                      // A line break never trades places with a character.
                      SwitchRow{"AfterALineBreak", "ab\r\ncd", 5, 0, "ab\r\ncd", 5, 0},
                      SwitchRow{"AtTheStartOfALine", "ab\r\ncd", 4, 0, "ab\r\ncd", 4, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- date and time

struct DateTimeRow {
    const char* name;
    QKeySequence keys;
    QString dateFormat;
    QString timeFormat;
    QString inserted;
};

class InsertDateTime : public EditCommands, public ::testing::WithParamInterface<DateTimeRow> {};

TEST_P(InsertDateTime, FormatsTheClockWithThePattern)
{
    const DateTimeRow& row = GetParam();
    clock.time = QDateTime(QDate(2024, 5, 1), QTime(14, 30, 15));
    app().options().dateFormat = row.dateFormat;
    app().options().timeFormat = row.timeFormat;
    setText("[sel]", 1, 3);
    press(row.keys);
    EXPECT_EQ(editor().text(), "[" + row.inserted + "]");
    EXPECT_EQ(selection(), std::make_pair(1 + int(row.inserted.size()), 0));
}

const QKeySequence DateKey("Ctrl+D");
const QKeySequence TimeKey("Ctrl+Shift+D");

INSTANTIATE_TEST_SUITE_P(, InsertDateTime,
                         ::testing::Values(DateTimeRow{"Date", DateKey, "yyyy-mm-dd", "hh:mm", "2024-05-01"},
                                           DateTimeRow{"ShortDate", DateKey, "d.m.yy", "", "1.5.24"},
                                           DateTimeRow{"DateHasNoTimeOfDay", DateKey, "hh:nn", "", "00:00"},
                                           DateTimeRow{"Time", TimeKey, "", "hh:mm", "14:30"},
                                           DateTimeRow{"TwelveHourTime", TimeKey, "", "h:mm am/pm", "2:30 pm"},
                                           DateTimeRow{"TimeHasDayZero", TimeKey, "", "yyyy", "1899"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- clip slots

TEST_F(EditCommands, ClipSlotsHoldTheirOwnTexts)
{
    setText("alpha beta\r\ngamma", 0, 5);
    press(QKeySequence("Ctrl+Shift+1"));
    editor().setSelection(6, 11);
    press(QKeySequence("Ctrl+Shift+4"));
    setText("", 0);
    press(QKeySequence("Alt+4"));
    press(QKeySequence("Alt+1"));
    press(QKeySequence("Alt+4"));
    EXPECT_EQ(editor().text(), "beta\r\ngammaalphabeta\r\ngamma");
    EXPECT_EQ(selection(), std::make_pair(int(editor().text().size()), 0));
}

TEST_F(EditCommands, EmptyClipDeletesTheSelection)
{
    setText("keep this", 4, 5);
    press(QKeySequence("Alt+2"));
    EXPECT_EQ(editor().text(), "keep");
    press(QKeySequence("Alt+2"));
    EXPECT_EQ(editor().text(), "keep");
    EXPECT_EQ(selection(), std::make_pair(4, 0));
}

TEST_F(EditCommands, ClipFromAnEmptySelectionEmptiesTheSlot)
{
    setText("word", 0, 4);
    press(QKeySequence("Ctrl+Shift+3"));
    editor().setSelection(4, 0);
    press(QKeySequence("Ctrl+Shift+3"));
    press(QKeySequence("Alt+3"));
    EXPECT_EQ(editor().text(), "word");
}

TEST_F(EditCommands, ClipSlotsEndWithTheProgram)
{
    setText("remember", 0, 8);
    press(QKeySequence("Ctrl+Shift+1"));
    stop();
    start();
    editor().setFocus();
    setText("", 0);
    press(QKeySequence("Alt+1"));
    EXPECT_EQ(editor().text(), "");
}

// ---------------------------------------------------------------- undo steps

struct UndoCase {
    const char* name;
    const char* before;    // typed first
    const char* keys;      // the inserting command
    const char* inserted;  // the text once the command has run
};

void PrintTo(const UndoCase& c, std::ostream* out)
{
    *out << c.name;
}

class UndoSteps : public EditCommands, public ::testing::WithParamInterface<UndoCase> {};

// A command's insertion is one undo step of its own: typing before it and
// typing after it are steps apart from it.
TEST_P(UndoSteps, EachInsertionIsItsOwnStep)
{
    const UndoCase& c = GetParam();
    app().options().dateFormat = QStringLiteral("yyyy-mm-dd");
    app().options().timeFormat = QStringLiteral("hh:mm");
    QApplication::clipboard()->setText(QStringLiteral("pasted"));
    setText("lunch", 0, 5);
    press(QKeySequence("Ctrl+Shift+1"));
    setText("", 0);

    type(QString::fromLatin1(c.before));
    press(QKeySequence(QString::fromLatin1(c.keys)));
    ASSERT_EQ(editor().text(), QString::fromLatin1(c.inserted));
    type(" at noon");
    ASSERT_EQ(editor().text(), QString::fromLatin1(c.inserted) + " at noon");

    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(editor().text(), QString::fromLatin1(c.inserted)) << "the typing after it goes alone";
    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(editor().text(), QString::fromLatin1(c.before)) << "then the command's insertion, whole";
    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(editor().text(), "");
}

INSTANTIATE_TEST_SUITE_P(
    , UndoSteps,
    ::testing::Values(UndoCase{"InsertDate", "Meeting on ", "Ctrl+D", "Meeting on 2024-05-01"},
                      UndoCase{"InsertTime", "Meeting at ", "Ctrl+Shift+D", "Meeting at 14:30"},
                      UndoCase{"ClipPaste", "Meeting for ", "Alt+1", "Meeting for lunch"},
                      UndoCase{"AlternativePaste", "Meeting ", "Shift+Ins", "Meeting pasted"},
                      UndoCase{"Paste", "Meeting ", "Ctrl+V", "Meeting pasted"},
                      UndoCase{"SwitchCharacters", "Meeting on", "Alt+;", "Meeting no"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- clipboard and focus

TEST_F(EditCommands, AlternativeClipboardKeysActOnTheEditor)
{
    setText("cut me", 0, 3);
    press(QKeySequence("Shift+Del"));
    EXPECT_EQ(QApplication::clipboard()->text(), "cut");
    EXPECT_EQ(editor().text(), " me");
    editor().setSelection(3, 0);
    press(QKeySequence("Shift+Ins"));
    EXPECT_EQ(editor().text(), " mecut");
}

TEST_F(EditCommands, CopyAndFocusKeysReachTheEditorFromADialog)
{
    setText("from editor", 0, 4);
    QLineEdit* field = showDialogWithField();
    type("typed");

    press(QKeySequence("Ctrl+Ins"));
    EXPECT_EQ(QApplication::clipboard()->text(), "from");

    press(QKeySequence("Ctrl+Tab"));
    EXPECT_EQ(QApplication::focusWidget(), &editor());
    EXPECT_EQ(field->text(), "typed");
}

// ---------------------------------------------------------------- pop-up menus

TEST_F(EditCommands, PopupsOpenBelowTheCaret)
{
    placeWindow();
    setText("one\r\ntwo", 6);
    const QPoint caret = editor().caretPosition();

    press(QKeySequence("Ctrl+Space"));
    QMenu* alternative = app().popupMenu(5);
    ASSERT_TRUE(alternative->isVisible());
    EXPECT_EQ(alternative->pos(), screenPoint(caret, 8, 42));
    alternative->hide();

    press(QKeySequence("Ctrl+Alt+Space"));
    QMenu* standard = app().popupMenu(2);
    ASSERT_TRUE(standard->isVisible());
    EXPECT_EQ(standard->pos(), screenPoint(caret, 8, 42));
    standard->hide();

    app().values().fullScreen = true;
    popupAlternative(app().editingHost());
    EXPECT_EQ(alternative->pos(), screenPoint(caret, 8, 42 - 38));
}

TEST_F(EditCommands, ShiftRightClickOpensTheAlternativePopupAtTheMouse)
{
    placeWindow();
    setText("some text", 0);
    QMenu* alternative = app().popupMenu(5);
    const QPoint click(40, 30);
    const QPoint inEditor = editor().viewport()->mapTo(&editor(), click);

    QTest::mousePress(editor().viewport(), Qt::RightButton, Qt::NoModifier, click);
    EXPECT_FALSE(alternative->isVisible()) << "a plain right click is the editor's own";
    app().popupMenu(2)->hide();
    QTest::mousePress(editor().viewport(), Qt::LeftButton, Qt::ShiftModifier, click);
    QTest::mouseRelease(editor().viewport(), Qt::LeftButton, Qt::ShiftModifier, click);
    EXPECT_FALSE(alternative->isVisible());

    onEditorMouseDown(app().editingHost(), Qt::RightButton, inEditor, Qt::ShiftModifier);
    ASSERT_TRUE(alternative->isVisible());
    EXPECT_EQ(alternative->pos(), screenPoint(inEditor, 5, 42));
    alternative->hide();

    app().values().fullScreen = true;
    onEditorMouseDown(app().editingHost(), Qt::RightButton, inEditor, Qt::ShiftModifier);
    EXPECT_EQ(alternative->pos(), screenPoint(inEditor, 4, 42 - 38));
}

TEST_F(EditCommands, ShiftRightClickThroughTheMouse)
{
    placeWindow();
    setText("some text", 0);
    const QPoint click(40, 30);
    QTest::mousePress(editor().viewport(), Qt::RightButton, Qt::ShiftModifier, click);
    QMenu* alternative = app().popupMenu(5);
    ASSERT_TRUE(alternative->isVisible());
    EXPECT_EQ(alternative->pos(), screenPoint(editor().viewport()->mapTo(&editor(), click), 5, 42));
}

}  // namespace
