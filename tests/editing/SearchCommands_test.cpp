// Find and replace as the user drives it: the Find and Replace window through
// its fields, buttons and keys, and F2 and F3 in the main window.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "editing/Tools_Statusbar.h"
#include "editing/Window_FindAndReplace.h"
#include "editor/RichEdit.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace qp;
using namespace qp::test;

namespace {

const QString kRetry = QStringLiteral("No more text found. Retry from begin of text?");

class FindAndReplace : public AppFixture {
protected:
    void SetUp() override
    {
        start();
        focusEditor();
    }
    // The window is hidden before the program ends, as a user would leave it.
    void TearDown() override { dialog().hide(); }

    TForm_FindAndReplace& dialog() { return *app().windows().findAndReplace; }
    QLineEdit* findField() { return dialog().findChild<QLineEdit*>("Edit1"); }
    QLineEdit* replaceField() { return dialog().findChild<QLineEdit*>("Edit2"); }
    QPushButton* button(const char* name) { return dialog().findChild<QPushButton*>(name); }

    void focusEditor()
    {
        QApplication::setActiveWindow(&app());
        editor().setFocus();
        processEvents();
    }
    // Ctrl+F in the main window; the window takes the keys from then on.
    void openDialog()
    {
        focusEditor();
        press(QKeySequence("Ctrl+F"));
        QApplication::setActiveWindow(&dialog());
        processEvents();
        ASSERT_TRUE(dialog().isVisible());
    }
    void setFields(const QString& find, const QString& replace = QString())
    {
        findField()->setText(find);
        replaceField()->setText(replace);
    }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    void expectSelection(int start, int length, const char* when = "")
    {
        EXPECT_EQ(editor().selStart(), start) << when;
        EXPECT_EQ(editor().selLength(), length) << when;
    }
    bool findNextEnabled() { return app().commandEnabled(Command::Search_FindNext); }
};

TEST_F(FindAndReplace, CodesStandForTabAndParagraphBreakInBothFields)
{
    editor().setText("a b\r\na\tb\r\nend");
    openDialog();
    type("a^tb");
    press(QKeySequence(Qt::Key_Return));
    expectSelection(5, 3, "a^tb");
    EXPECT_EQ(editor().selText(), "a\tb");

    setFields("b^pe", "B^p^tE");
    click("Button1");
    expectSelection(7, 4, "b^pe");
    click("Button4");
    EXPECT_EQ(editor().text(), "a b\r\na\tB\r\n\tEnd");
    EXPECT_EQ(messages.texts().last(), "1 replacements maked.");
}

TEST_F(FindAndReplace, EnterStepsThroughAdjacentMatchesThenAsksToRetry)
{
    editor().setText("aaa a");
    editor().setSelection(0, 0);
    openDialog();
    type("a");
    for (int expected : {0, 1, 2, 4}) {
        press(QKeySequence(Qt::Key_Return));
        expectSelection(expected, 1);
    }
    EXPECT_TRUE(messages.boxes().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), findField()) << "Find Next leaves the focus where it is";

    messages.answer(Answer::Retry);
    press(QKeySequence(Qt::Key_Return));
    expectSelection(0, 1, "after Retry");
    ASSERT_EQ(messages.texts(), QStringList{kRetry});
    EXPECT_EQ(messages.boxes()[0].kind, FakeMessageService::Kind::RetryNo);
}

TEST_F(FindAndReplace, FindFirstStartsAtTheTopWhereverTheCaretIs)
{
    editor().setText("cat one cat two cat");
    openDialog();
    setFields("cat");
    editor().setSelection(12, 3);
    click("Button1");
    expectSelection(0, 3);
    EXPECT_EQ(dialog().focusWidget(), button("Button2"));
    EXPECT_EQ(app().lastSearchText(), "cat");
    EXPECT_TRUE(findNextEnabled());
}

TEST_F(FindAndReplace, AMatchStandsTenLinesBelowTheTopOfTheView)
{
    QStringList lines;
    for (int i = 0; i < 300; ++i)
        lines << QStringLiteral("line %1").arg(i);
    lines[120] = QStringLiteral("needle");
    lines[280] = QStringLiteral("needle");
    editor().setText(lines.join(QStringLiteral("\r\n")));
    editor().setSelection(0, 0);
    openDialog();
    setFields("needle");
    click("Button2");
    EXPECT_EQ(editor().lineFromChar(editor().selStart()), 120);
    EXPECT_EQ(editor().firstVisibleLine(), 110);

    // Near the end the view goes only as far as the text allows.
    click("Button2");
    EXPECT_EQ(editor().lineFromChar(editor().selStart()), 280);
    EXPECT_GT(editor().firstVisibleLine(), 110);
    EXPECT_LE(editor().firstVisibleLine(), 270);
}

TEST_F(FindAndReplace, ReplaceReplacesWhateverIsSelectedThenFindsTheNext)
{
    editor().setText("one two one");
    openDialog();
    setFields("one", "1");

    editor().setSelection(4, 3);  // "two" is no match; it is replaced all the same
    click("Button3");
    EXPECT_EQ(editor().text(), "one 1 one");
    expectSelection(6, 3);
    EXPECT_EQ(dialog().focusWidget(), button("Button2"));

    editor().setSelection(0, 0);  // nothing selected: only the search
    click("Button3");
    EXPECT_EQ(editor().text(), "one 1 one");
    expectSelection(0, 3);

    // Alt+R is the window's own, not the main window's Editor Max Width.
    findField()->setFocus();
    press(QKeySequence("Alt+R"));
    EXPECT_EQ(editor().text(), "1 1 one");
    expectSelection(4, 3);
}

struct ReplaceAllCase {
    const char* name;
    const char* text;
    const char* find;
    const char* replace;
    const char* expected;
    const char* message;
};

class ReplaceAllThroughTheWindow : public FindAndReplace, public ::testing::WithParamInterface<ReplaceAllCase> {};

TEST_P(ReplaceAllThroughTheWindow, ReplacesAndCounts)
{
    const ReplaceAllCase& c = GetParam();
    editor().setText(c.text);
    openDialog();
    setFields(c.find, c.replace);
    press(QKeySequence("Alt+A"));
    EXPECT_EQ(editor().text(), c.expected);
    EXPECT_EQ(messages.texts(), QStringList{c.message});
    EXPECT_EQ(app().lastSearchText(), c.find);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAllThroughTheWindow,
    ::testing::Values(
        // Each search goes on after the inserted text, so this ends.
        ReplaceAllCase{"ReplacementHoldsTheSearchText", "a banana", "a", "aa", "aa baanaanaa", "4 replacements maked."},
        ReplaceAllCase{"NoMatch", "banana", "x", "y", "banana", "0 replacements maked."},
        ReplaceAllCase{"ParagraphBreaks", "one\r\ntwo\r\n\r\nthree", "^p", " / ", "one / two /  / three",
                       "3 replacements maked."},
        ReplaceAllCase{"EmptyFindField", "banana", "", "y", "banana", "0 replacements maked."}),
    [](const ::testing::TestParamInfo<ReplaceAllCase>& info) { return std::string(info.param.name); });

TEST_F(FindAndReplace, OneUndoTakesBackAllOfReplaceAll)
{
    editor().setText("first line\r\nsecond line\r\nthird");
    editor().setSelection(0, 0);
    type(">");
    const QString before = editor().text();
    openDialog();
    setFields("line", "row^p");
    click("Button4");
    ASSERT_EQ(editor().text(), ">first row\r\n\r\nsecond row\r\n\r\nthird");
    expectSelection(26, 0);  // the caret after the last replacement

    focusEditor();
    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(editor().text(), before);
    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(editor().text(), "first line\r\nsecond line\r\nthird");
}

// The real message bar stands in while Replace All runs; the status bar comes
// back with every panel brought up to date.
TEST_F(FindAndReplace, ReplaceAllRefreshesTheStatusBarOnceAtTheEnd)
{
    editor().setText("cat and cat and cat");
    openDialog();
    setFields("cat", "dog food");
    click("Button4");
    EXPECT_TRUE(app().statusBar3().isHidden());
    EXPECT_EQ(app().statusBar3().panelText(0), "Ready");
    EXPECT_FALSE(app().statusBar1().isHidden());
    EXPECT_EQ(app().statusBar1().panelText(PanelWords), "Words: 8");
    EXPECT_EQ(app().statusBar1().panelText(PanelChars), "Chars: 34");
    EXPECT_EQ(app().statusBar1().panelText(PanelState), "Modified");
    EXPECT_EQ(messages.texts().last(), "3 replacements maked.");
}

TEST_F(FindAndReplace, NoAtTheRetryQuestionChangesNothing)
{
    editor().setText("cat and dog");
    openDialog();
    setFields("cat");
    click("Button2");
    ASSERT_EQ(app().lastSearchText(), "cat");

    editor().setSelection(4, 3);
    findField()->setText("cow");
    messages.answer(Answer::No);
    click("Button2");
    expectSelection(4, 3);
    EXPECT_EQ(app().lastSearchText(), "cat");
    EXPECT_EQ(messages.texts(), QStringList{kRetry});

    // Find First moves the caret to the top before it asks; No leaves it there.
    messages.answer(Answer::No);
    click("Button1");
    expectSelection(0, 0);
    EXPECT_EQ(app().lastSearchText(), "cat");
}

TEST_F(FindAndReplace, AnEmptyFindFieldIsRefused)
{
    editor().setText("text");
    editor().setSelection(1, 2);
    openDialog();
    setFields("", "y");
    button("Button3")->setFocus();
    click("Button3");
    EXPECT_EQ(editor().text(), "tyt") << "Replace replaces before it looks at the Find field";
    EXPECT_EQ(messages.texts(), QStringList{"No text to search for."});
    EXPECT_EQ(dialog().focusWidget(), findField());
    EXPECT_FALSE(findNextEnabled());
}

TEST_F(FindAndReplace, F3IsDisabledUntilASearchFindsSomething)
{
    editor().setText("word word word");
    editor().setSelection(0, 0);
    press(QKeySequence(Qt::Key_F3));
    expectSelection(0, 0);
    EXPECT_TRUE(messages.boxes().isEmpty());

    openDialog();
    setFields("word");
    click("Button2");
    expectSelection(0, 4);
    press(QKeySequence(Qt::Key_Escape));
    EXPECT_FALSE(dialog().isVisible());

    // With the window closed, F3 goes on with its fields and options.
    focusEditor();
    press(QKeySequence(Qt::Key_F3));
    expectSelection(5, 4);
    dialog().findChild<QCheckBox*>("CheckBox1")->setChecked(true);
    findField()->setText("WORD");
    messages.answer(Answer::No);
    press(QKeySequence(Qt::Key_F3));
    expectSelection(5, 4);
    EXPECT_EQ(messages.texts(), QStringList{kRetry});
}

TEST_F(FindAndReplace, F2FindsTheNextOccurrenceOfTheSelection)
{
    editor().setText("Tom met tom and Tom");
    editor().setSelection(0, 3);
    ASSERT_FALSE(findNextEnabled());
    press(QKeySequence(Qt::Key_F2));
    expectSelection(8, 3);  // without Match Case
    EXPECT_EQ(findField()->text(), "Tom");
    EXPECT_EQ(app().lastSearchText(), "Tom");
    EXPECT_TRUE(findNextEnabled());
    EXPECT_FALSE(dialog().isVisible());

    press(QKeySequence(Qt::Key_F3));
    expectSelection(16, 3);
}

TEST_F(FindAndReplace, F2TakesASelectionAcrossParagraphs)
{
    editor().setText("end\r\nstart, end\r\nstart");
    editor().setSelection(0, 7);
    press(QKeySequence(Qt::Key_F2));
    expectSelection(12, 7);
    EXPECT_EQ(editor().selText(), "end\r\nst");
    EXPECT_EQ(findField()->text(), "end\r\nst") << "the field holds the selection unchanged";
}

TEST_F(FindAndReplace, EscAndCtrlFCloseTheWindowAndOpeningAgainRefillsIt)
{
    editor().setText("alpha beta");
    openDialog();
    EXPECT_EQ(findField()->text(), "") << "no last search text after start-up";
    press(QKeySequence("Ctrl+F"));
    EXPECT_FALSE(dialog().isVisible());

    editor().setSelection(6, 4);
    openDialog();
    EXPECT_EQ(findField()->text(), "beta");
    EXPECT_EQ(findField()->selectedText(), "beta");
    press(QKeySequence(Qt::Key_Escape));
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_TRUE(app().isVisible());
}

}  // namespace
