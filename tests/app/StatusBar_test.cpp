// The status bar through the program: live counts, caret and character code,
// the typing-mode panel, showing, moving and the basic form, stored and restored.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "editing/Tools_Statusbar.h"
#include "editor/RichEdit.h"
#include "store/Registry.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QSizeGrip>
#include <QTest>
#include <QVBoxLayout>

using namespace qp;
using namespace qp::test;

namespace {

class StatusBarTest : public AppFixture {
protected:
    void SetUp() override
    {
        start();
        editor().setFocus();
    }
    QString panel(int index) { return app().statusBar1().panelText(index); }
    QStringList panels(std::initializer_list<int> indexes)
    {
        QStringList texts;
        for (int i : indexes)
            texts << panel(i);
        return texts;
    }
    void setText(const QString& text)
    {
        editor().setText(text);
        processEvents();
    }
};

TEST_F(StatusBarTest, InitialPanelsOfAnEmptyDocument)
{
    StatusBar& bar = app().statusBar1();
    ASSERT_EQ(bar.panelCount(), 12);
    EXPECT_EQ(panels({PanelFileType, PanelState, PanelTypingMode}), (QStringList{"RTF Format", "New", "Insert"}));
    EXPECT_EQ(bar.panelWidth(PanelSpacer), 0);
    EXPECT_EQ(bar.panelWidth(PanelLast), 50);
    EXPECT_EQ(bar.panelWidth(PanelChars), 75);
    EXPECT_TRUE(bar.sizeGripShown());
    // The new document of the start-up is counted at once.
    EXPECT_EQ(panels({PanelChars, PanelWords, PanelLines, PanelPages, PanelBytes}),
              (QStringList{"Chars: 0", "Words: 0", "Lines: 1", "Pages: 1", "Bytes: 0"}));
    EXPECT_EQ(panel(PanelState), "New");

    type("x");
    press(QKeySequence(Qt::Key_Backspace));
    EXPECT_EQ(panels({PanelChars, PanelWords, PanelLines, PanelPages, PanelCaret, PanelCharCode, PanelBytes}),
              (QStringList{"Chars: 0", "Words: 0", "Lines: 1", "Pages: 1", "1 : 1", "# 0", "Bytes: 0"}));
    EXPECT_EQ(panel(PanelState), "Modified");
}

// A long book's counts are shown whole: a panel grows past its width for its
// text and the panels after it move along.
TEST_F(StatusBarTest, PanelsGrowToShowLongCounts)
{
    // Wide enough that no panel before the size grip has to give up room.
    app().resize(1100, 480);
    processEvents();
    StatusBar& bar = app().statusBar1();
    QString book;
    for (int i = 0; i < 25000; ++i)
        book += QStringLiteral("a line of the book that is fifty characters long.\r\n");
    editor().setText(book);
    processEvents();
    ASSERT_EQ(panel(PanelChars), "Chars: 1225000");
    const QRect chars = bar.panelGeometry(PanelChars);
    EXPECT_GE(chars.width(), QFontMetrics(bar.font()).horizontalAdvance(panel(PanelChars)));
    EXPECT_EQ(bar.panelGeometry(PanelWords).left(), chars.right() + 1);
    EXPECT_EQ(bar.panelWidth(PanelChars), 75) << "the set width is kept";

    editor().setText("short");
    processEvents();
    EXPECT_EQ(bar.panelGeometry(PanelChars).width(), 75);
}

// At the first start's 640 pixels the size grip stands where the character
// code is shown; the panels before it make room so that no code is cut.
TEST_F(StatusBarTest, TheSizeGripNeverCoversTheCharacterCode)
{
    StatusBar& bar = app().statusBar1();
    const QSizeGrip* grip = bar.findChild<QSizeGrip*>();
    ASSERT_TRUE(grip);
    for (const int width : {640, 660, 700}) {
        app().resize(width, 480);
        for (const QString& text : {QStringLiteral("a"), QString(QChar(0xFF)), QStringLiteral("\r\n")}) {
            setText(text);
            editor().setSelection(0, 0);
            processEvents();
            ASSERT_TRUE(grip->isVisible());
            const QRect code = bar.panelGeometry(PanelCharCode);
            const int textEnd = code.left() + QFontMetrics(bar.font()).horizontalAdvance(panel(PanelCharCode)) + 3;
            EXPECT_LE(textEnd, grip->geometry().left()) << width << " " << panel(PanelCharCode).toStdString();
            EXPECT_GE(bar.panelGeometry(PanelCaret).width(), QFontMetrics(bar.font()).horizontalAdvance(panel(PanelCaret)));
        }
    }
    // With room to spare every panel has its own width again.
    app().resize(1100, 480);
    processEvents();
    for (const int panel : {PanelChars, PanelState, PanelTypingMode, PanelCaret, PanelCharCode})
        EXPECT_EQ(bar.panelGeometry(panel).width(), 75) << panel;
}

struct PanelCase {
    const char* name;
    QString text;
    int selStart;
    int selLength;
    QStringList expected;  // Chars, Words, Bytes, caret, character code
};

class StatusPanels : public StatusBarTest, public ::testing::WithParamInterface<PanelCase> {};

TEST_P(StatusPanels, CountsCaretAndCode)
{
    const PanelCase& c = GetParam();
    setText(c.text);
    editor().setSelection(c.selStart, c.selLength);
    processEvents();
    EXPECT_EQ(panels({PanelChars, PanelWords, PanelBytes, PanelCaret, PanelCharCode}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    , StatusPanels,
    ::testing::Values(
        PanelCase{"TwoSpaces", "a  b", 0, 0, {"Chars: 4", "Words: 2", "Bytes: 4", "1 : 1", "# 97"}},
        PanelCase{"SecondLineStart", "hello\r\nworld", 7, 0, {"Chars: 10", "Words: 2", "Bytes: 12", "2 : 1", "# 119"}},
        PanelCase{"LineEnd", "hello\r\nworld", 5, 0, {"Chars: 10", "Words: 2", "Bytes: 12", "1 : 6", "# 13"}},
        PanelCase{"Tab", "a\tb", 0, 0, {"Chars: 2", "Words: 2", "Bytes: 3", "1 : 1", "# 97"}},
        PanelCase{"AccentedWord", QString::fromUtf8("café au lait"), 0, 0,
                  {"Chars: 12", "Words: 3", "Bytes: 12", "1 : 1", "# 99"}},
        PanelCase{"AccentedCode", QString::fromUtf8("é"), 0, 0, {"Chars: 1", "Words: 1", "Bytes: 1", "1 : 1", "# 233"}},
        PanelCase{"AfterTheLastCharacter", "abc", 3, 0, {"Chars: 3", "Words: 1", "Bytes: 3", "1 : 4", "# 0"}},
        PanelCase{"SelectionInsideALongerText", "one ab cd two three", 4, 5,
                  {"Chars: 5", "Words: 2", "Bytes: 5", "1 : 5", "# 97"}},
        // A character outside the Basic Multilingual Plane: its code, not half of it.
        PanelCase{"Emoji", QStringLiteral("a") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("b"), 1, 0,
                  {"Chars: 3", "Words: 1", "Bytes: 3", "1 : 2", "# 128512"}},
        PanelCase{"CaretOnThirdLine", "a\r\nb\r\n0123456789abcdefg", 19, 0,
                  {"Chars: 19", "Words: 3", "Bytes: 23", "3 : 14", "# 100"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A narrow window and the counts of a longer text: the panels give up the
// room their texts do not need, so that the bytes, the last panel with a text,
// are still read whole before the size grip.
struct NarrowCase {
    const char* name;
    int windowWidth;
    int words;  // of "word " each
};

void PrintTo(const NarrowCase& c, std::ostream* os)
{
    *os << c.name;
}

class StatusBarNarrow : public StatusBarTest, public ::testing::WithParamInterface<NarrowCase> {};

TEST_P(StatusBarNarrow, EveryPanelUpToTheBytesIsReadWhole)
{
    app().resize(GetParam().windowWidth, 480);
    setText(QStringLiteral("word ").repeated(GetParam().words));
    editor().setSelection(0, 0);
    processEvents();
    StatusBar& bar = app().statusBar1();
    const QSizeGrip* grip = bar.findChild<QSizeGrip*>();
    ASSERT_TRUE(grip && grip->isVisible());
    const QFontMetrics metrics(bar.font());
    for (const int index : {PanelChars, PanelWords, PanelLines, PanelPages, PanelFileType, PanelState,
                            PanelTypingMode, PanelCaret, PanelCharCode, PanelBytes}) {
        const QString text = panel(index);
        const QRect shown = bar.panelGeometry(index);
        EXPECT_GE(shown.width(), metrics.horizontalAdvance(text)) << text.toStdString();
        EXPECT_LE(shown.left() + metrics.horizontalAdvance(text), grip->geometry().left())
            << text.toStdString() << " runs under the size grip or out of the window";
    }
}

INSTANTIATE_TEST_SUITE_P(, StatusBarNarrow,
                         ::testing::Values(NarrowCase{"FirstStartShortText", 640, 2},
                                           NarrowCase{"FourDigitCounts", 700, 300},
                                           NarrowCase{"FiveDigitCounts", 700, 3000}),
                         [](const auto& info) { return std::string(info.param.name); });

// Undoing a format command drops the selection it was made on: the panels
// count what is selected afterwards, not what was.
TEST_F(StatusBarTest, UndoingAPasteFormatRecountsThePanels)
{
    setText("hello world");
    editor().setSelection(0, 1);
    press(QKeySequence("Ctrl+Shift+C"));
    editor().setSelection(6, 5);
    processEvents();
    press(QKeySequence("Ctrl+Shift+V"));
    ASSERT_EQ(panel(PanelChars), "Chars: 5");
    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(editor().selLength(), 0);
    EXPECT_EQ(panels({PanelChars, PanelWords, PanelBytes}), (QStringList{"Chars: 11", "Words: 2", "Bytes: 11"}));
}

TEST_F(StatusBarTest, LinesAndPagesFollowTheLinesPerPage)
{
    app().options().linesPerPage = 58;
    QStringList lines;
    for (int i = 0; i < 58; ++i)
        lines << QString("line %1").arg(i);
    editor().setWordWrap(false);
    setText(lines.join("\r\n"));
    EXPECT_EQ(panels({PanelLines, PanelPages}), (QStringList{"Lines: 58", "Pages: 1"}));
    setText(lines.join("\r\n") + "\r\nline 58");
    EXPECT_EQ(panels({PanelLines, PanelPages}), (QStringList{"Lines: 59", "Pages: 2"}));
}

TEST_F(StatusBarTest, OnlyABareInsertKeyFlipsTheTypingMode)
{
    press(QKeySequence(Qt::Key_Insert));
    EXPECT_EQ(panel(PanelTypingMode), "Overwrite");
    press(QKeySequence(Qt::Key_Insert));
    EXPECT_EQ(panel(PanelTypingMode), "Insert");
    // Shift+Insert and Ctrl+Insert are Paste and Copy: the mode stays, and the panel with it.
    press(QKeySequence("Shift+Ins"));
    EXPECT_EQ(panel(PanelTypingMode), "Insert");
    press(QKeySequence("Ctrl+Ins"));
    EXPECT_EQ(panel(PanelTypingMode), "Insert");
}

// The panel tells the truth: after Insert the editor types over the text.
TEST_F(StatusBarTest, TypingOverwritesWhileThePanelSaysOverwrite)
{
    editor().setText("abcd");
    editor().setSelection(0, 0);
    press(QKeySequence(Qt::Key_Insert));
    ASSERT_EQ(panel(PanelTypingMode), "Overwrite");
    type("XY");
    EXPECT_EQ(editor().text(), "XYcd");
    // Up to the end of the paragraph, not into the next one.
    editor().setText("ab\r\ncd");
    editor().setSelection(1, 0);
    type("123");
    EXPECT_EQ(editor().text(), "a123\r\ncd");

    // Shift+Insert pastes and leaves the typing as it was, overwriting.
    QApplication::clipboard()->setText("P");
    editor().setText("abcd");
    editor().setSelection(0, 0);
    press(QKeySequence("Shift+Ins"));
    EXPECT_EQ(panel(PanelTypingMode), "Overwrite");
    EXPECT_EQ(editor().text(), "Pabcd");
    type("Z");
    EXPECT_EQ(editor().text(), "PZbcd");
}

TEST_F(StatusBarTest, AHiddenBarIsNotRefreshedUntilShownAgain)
{
    type("abc");
    press(QKeySequence("Ctrl+T"));
    EXPECT_TRUE(app().statusBar1().isHidden());
    EXPECT_FALSE(app().action(Command::View_StatusBarEnabled)->isChecked());
    type(" more words");
    EXPECT_EQ(panel(PanelChars), "Chars: 3") << "a hidden bar costs nothing per keystroke";
    EXPECT_EQ(panel(PanelState), "Modified");

    press(QKeySequence("Ctrl+T"));
    EXPECT_FALSE(app().statusBar1().isHidden());
    EXPECT_EQ(panels({PanelChars, PanelWords, PanelBytes}), (QStringList{"Chars: 14", "Words: 3", "Bytes: 14"}));

    const auto key = RegKey::openSettingsRead(registry(), "StatusBar");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readInteger("StatusBar_Enabled"), 1);
    EXPECT_EQ(key->readInteger("StatusBar_Position"), 1);
}

TEST_F(StatusBarTest, PositionAndBasicFormAreStoredAndRestored)
{
    press(QKeySequence("Ctrl+Shift+T"));
    EXPECT_FALSE(app().statusBarAtBottom());
    EXPECT_FALSE(app().statusBar1().sizeGripShown());
    EXPECT_TRUE(app().action(Command::View_StatusBarPos)->isChecked());

    press(QKeySequence(Qt::Key_F6));
    EXPECT_EQ(app().statusBar1().panelWidth(PanelSpacer), 2500);
    EXPECT_TRUE(app().action(Command::View_BasicStatusbar)->isChecked());
    EXPECT_FALSE(app().statusBar1().panelGeometry(PanelCaret).intersects(app().statusBar1().rect()))
        << "the caret panel is pushed past the edge";

    restart();
    EXPECT_FALSE(app().statusBarAtBottom());
    EXPECT_TRUE(app().action(Command::View_StatusBarPos)->isChecked());
    EXPECT_EQ(app().statusBar1().panelWidth(PanelSpacer), 2000) << "the restore uses 2000, the switch 2500";
    auto* layout = app().centralWidget()->layout();
    EXPECT_EQ(layout->indexOf(&app().statusBar1()), 0) << "docked at the top";

    press(QKeySequence(Qt::Key_F6));
    press(QKeySequence(Qt::Key_F6));
    EXPECT_EQ(app().statusBar1().panelWidth(PanelSpacer), 2500);
}

TEST_F(StatusBarTest, ClicksSwitchTheBasicFormAndWithShiftThePosition)
{
    StatusBar& bar = app().statusBar1();
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
    EXPECT_EQ(bar.panelWidth(PanelSpacer), 2500);
    QTest::mouseClick(&bar, Qt::LeftButton, Qt::ShiftModifier, QPoint(10, 5));
    EXPECT_FALSE(app().statusBarAtBottom());
    EXPECT_EQ(bar.panelWidth(PanelSpacer), 2500) << "Shift+click moves the bar only";
}

TEST_F(StatusBarTest, MessageBarStandsInForTheStatusBarOnTheSameSide)
{
    app().dockStatusBar(false);
    app().showMessage("Replacing...");
    EXPECT_TRUE(app().statusBar1().isHidden());
    EXPECT_FALSE(app().statusBar3().isHidden());
    EXPECT_EQ(app().centralWidget()->layout()->indexOf(&app().statusBar3()), 0);
    app().setMessageText("Ready");
    EXPECT_EQ(app().statusBar3().panelText(0), "Ready");
    app().endMessage();
    EXPECT_TRUE(app().statusBar3().isHidden());
    EXPECT_FALSE(app().statusBar1().isHidden());
}

TEST_F(StatusBarTest, LoadingAnotherDocumentKeepsTheTypingMode)
{
    press(QKeySequence(Qt::Key_Insert));
    app().runCommand(Command::File_New);
    EXPECT_EQ(panel(PanelTypingMode), "Overwrite");
    EXPECT_EQ(panel(PanelState), "New");
}

}  // namespace
