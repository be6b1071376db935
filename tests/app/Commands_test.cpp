// The command table and the program's own shortcut dispatch, through real key presses.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/CommandDispatch.h"
#include "app/window/EditorColumn.h"
#include "editor/RichEdit.h"
#include "platform/WindowManagement.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using namespace qp;
using namespace qp::test;

namespace {

class Commands : public AppFixture {
protected:
    void SetUp() override
    {
        start();
        editor().setFocus();
        processEvents();
    }
    QAction* action(Command command) { return app().action(command); }
};

TEST_F(Commands, MenusShowTheCommandsInTheirOrder)
{
    QStringList titles;
    for (QAction* menu : app().menuBar()->actions())
        titles << menu->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&Insert", "F&ormat", "&Search", "&Tools", "&View", "&Help"}));

    QStringList file;
    for (QAction* item : app().menuBar()->findChild<QMenu*>("File")->actions())
        file << (item->isSeparator() ? "-" : item->objectName());
    EXPECT_EQ(file, (QStringList{"Action_File_New", "Action_File_NewWindow", "Action_File_Open", "-",
                                 "Action_File_MyFiles", "Action_File_RecentFiles", "-", "Action_File_Save",
                                 "Action_File_SaveAs", "Action_File_Revert", "-", "Action_File_PrintOptions",
                                 "Action_File_Print", "-", "Action_File_Exit", "Action_File_ExitEsc"}));
    QStringList help;
    for (QAction* item : app().menuBar()->findChild<QMenu*>("Help")->actions())
        help << (item->isSeparator() ? "-" : item->text());
    EXPECT_EQ(help, (QStringList{"Additional &Functions...", "&Documentation...", "-", "&About..."}));
    EXPECT_EQ(app().popupMenu(2)->actions().size(), 7);
}

TEST_F(Commands, FlagsBeforeStartUpCodeChangesThem)
{
    EXPECT_FALSE(action(Command::File_Exit)->isVisible());
    EXPECT_TRUE(app().commandEnabled(Command::File_Exit));
    EXPECT_TRUE(action(Command::File_ExitEsc)->isVisible());
    EXPECT_FALSE(app().commandEnabled(Command::Search_FindNext));
    EXPECT_FALSE(app().commandEnabled(Command::Insert_AutoWords));
    EXPECT_FALSE(app().commandEnabled(Command::Other_Run));
    EXPECT_TRUE(action(Command::View_WordwrapEnabled)->isChecked());
    EXPECT_FALSE(action(Command::Plugin05)->isVisible());
    EXPECT_EQ(action(Command::Plugin05)->text(), "&5");
}

// Keys Qt's text control would keep for itself reach the commands first.
TEST_F(Commands, ControlKeysOfTheEditorRunTheStandardCommands)
{
    type("hello");
    press(QKeySequence("Ctrl+A"));
    EXPECT_EQ(editor().selLength(), 5);
    press(QKeySequence("Ctrl+C"));
    EXPECT_EQ(QApplication::clipboard()->text(), "hello");
    press(QKeySequence("Ctrl+X"));
    EXPECT_EQ(editor().text(), "");
    press(QKeySequence("Ctrl+V"));
    EXPECT_EQ(editor().text(), "hello");
    press(QKeySequence("Ctrl+Z"));
    EXPECT_EQ(editor().text(), "");
}

TEST_F(Commands, SelectionDependentCommandsFollowTheSelection)
{
    type("some words");
    EXPECT_FALSE(app().commandEnabled(Command::Search_FindSelection));
    EXPECT_EQ(action(Command::File_Print)->text(), "&Print...");

    editor().setSelection(0, 4);
    processEvents();
    for (Command c : {Command::Search_FindSelection, Command::Edit_ChangeCase, Command::Format_RemoveFormat})
        EXPECT_TRUE(app().commandEnabled(c)) << commandRow(c).name;
    EXPECT_EQ(action(Command::File_Print)->text(), "&Print Selection...");

    editor().setSelection(2, 0);
    processEvents();
    for (Command c : {Command::Search_FindSelection, Command::Edit_ChangeCase, Command::Format_RemoveFormat})
        EXPECT_FALSE(app().commandEnabled(c)) << commandRow(c).name;
    EXPECT_EQ(action(Command::File_Print)->text(), "&Print...");
}

TEST_F(Commands, EscAndCtrlQBothQuitWhileNoSettingsExist)
{
    press(QKeySequence(Qt::Key_Escape));
    EXPECT_FALSE(app().isVisible());

    start();
    editor().setFocus();
    press(QKeySequence("Ctrl+Q"));
    EXPECT_FALSE(app().isVisible());
}

struct ExitCase {
    const char* name;
    bool escToQuit;
    const char* key;
    bool quits;
};

class ExitKeys : public Commands, public ::testing::WithParamInterface<ExitCase> {};

// The two exit commands as the Esc setting leaves them.
TEST_P(ExitKeys, QuitOnlyThroughTheEnabledExit)
{
    const ExitCase& c = GetParam();
    app().setCommandEnabled(Command::File_ExitEsc, c.escToQuit);
    app().setCommandVisible(Command::File_ExitEsc, c.escToQuit);
    app().setCommandEnabled(Command::File_Exit, !c.escToQuit);
    app().setCommandVisible(Command::File_Exit, !c.escToQuit);

    press(QKeySequence::fromString(c.key));
    EXPECT_EQ(!app().isVisible(), c.quits);
}

INSTANTIATE_TEST_SUITE_P(, ExitKeys,
                         ::testing::Values(ExitCase{"EscWithSetting", true, "Esc", true},
                                           ExitCase{"CtrlQWithSetting", true, "Ctrl+Q", false},
                                           ExitCase{"EscWithoutSetting", false, "Esc", false},
                                           ExitCase{"CtrlQWithoutSetting", false, "Ctrl+Q", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Commands, WithTheMenuDetachedShortcutsGoThroughTheActionLists)
{
    setMenuAttached(app(), false);
    press(QKeySequence("Ctrl+Shift+N"));
    ASSERT_EQ(shell.calls.size(), 1);
    EXPECT_EQ(shell.calls.first().what, "copy");

    // Esc belongs to leaving full screen first; it never quits then.
    press(QKeySequence(Qt::Key_Escape));
    EXPECT_TRUE(app().isVisible());
}

TEST_F(Commands, ADisabledCommandUsesTheKeyUpAndDoesNothing)
{
    app().setCommandEnabled(Command::File_NewWindow, false);
    press(QKeySequence("Ctrl+Shift+N"));
    EXPECT_TRUE(shell.calls.isEmpty());
    EXPECT_TRUE(editor().text().isEmpty()) << "the key does not reach the editor either";
}

TEST_F(Commands, StandardCommandsAreDisabledWithoutAFocusedTextControl)
{
    type("text");
    editor().selectAllText();
    app().updateStandardCommands();
    EXPECT_TRUE(app().commandEnabled(Command::EditCopy1));
    EXPECT_TRUE(app().commandEnabled(Command::RichEditBold1));

    auto* button = new QPushButton("elsewhere", &app());
    button->show();
    button->setFocus();
    processEvents();
    app().updateStandardCommands();
    for (Command c : {Command::EditUndo1, Command::EditCut1, Command::EditCopy1, Command::EditPaste1,
                      Command::EditSelectAll1, Command::RichEditBold1, Command::RichEditAlignCenter1})
        EXPECT_FALSE(app().commandEnabled(c)) << commandRow(c).name;
}

TEST_F(Commands, BoldTogglesOnTheSelectionAndIsCheckedWithIt)
{
    type("word");
    editor().selectAllText();
    press(QKeySequence("Ctrl+B"));
    app().updateStandardCommands();
    EXPECT_TRUE(action(Command::RichEditBold1)->isChecked());
    press(QKeySequence("Ctrl+B"));
    app().updateStandardCommands();
    EXPECT_FALSE(action(Command::RichEditBold1)->isChecked());
}

// A key pressed in another window of the program reaches the main window's
// commands unless that window uses it itself; standard commands then act on
// that window's focused field.
TEST_F(Commands, KeysInOtherWindowsActOnTheirFocusedField)
{
    QLineEdit* field = showDialogWithField();
    QWidget* dialog = field->window();

    type("find me");
    press(QKeySequence("Ctrl+A"));
    EXPECT_EQ(field->selectedText(), "find me");
    EXPECT_EQ(editor().selLength(), 0);

    press(QKeySequence(Qt::Key_Escape));
    EXPECT_FALSE(dialog->isVisible()) << "Esc is the dialog's own";
    EXPECT_TRUE(app().isVisible());
}

// The Edit menu has Redo after Undo, on Ctrl+Shift+Z; Ctrl+Y stays Delete Line.
TEST_F(Commands, RedoFollowsUndoInTheEditMenu)
{
    QStringList edit;
    for (QAction* item : app().menuBar()->findChild<QMenu*>("Edit")->actions())
        edit << (item->isSeparator() ? "-" : item->text() + " " + item->shortcut().toString());
    EXPECT_EQ(edit, (QStringList{"&Undo Ctrl+Z", "Redo Ctrl+Shift+Z", "-", "Cu&t Ctrl+X", "&Copy Ctrl+C",
                                 "&Paste Ctrl+V", "-", "Select &All Ctrl+A", "-", "Delete &Line Ctrl+Y",
                                 "C&hange Case Shift+F3"}));

    type("one");
    press(QKeySequence(Qt::Key_Return));
    type("two");
    app().updateStandardCommands();
    EXPECT_FALSE(app().commandEnabled(Command::EditRedo1)) << "nothing undone yet";
    press(QKeySequence("Ctrl+Z"));
    const QString undone = editor().text();
    ASSERT_NE(undone, "one\r\ntwo");
    EXPECT_TRUE(app().commandEnabled(Command::EditRedo1));
    action(Command::EditRedo1)->trigger();
    EXPECT_EQ(editor().text(), "one\r\ntwo") << "from the menu";
    press(QKeySequence("Ctrl+Z"));
    press(QKeySequence("Ctrl+Shift+Z"));
    EXPECT_EQ(editor().text(), "one\r\ntwo") << "from its key";
    press(QKeySequence("Ctrl+Y"));
    EXPECT_EQ(editor().text(), "one\r\n") << "Ctrl+Y deletes the line";
}

// While the program has no focused widget (the window re-created for full
// screen or Stay on Top, before the window manager activates it again) the
// keys reach the window's own focus widget, and so do the commands.
TEST_F(Commands, WithoutAFocusWidgetTheCommandsActOnTheWindowsOwn)
{
    type("copy me");
    editor().setSelection(0, 4);
    QApplication::setActiveWindow(nullptr);
    processEvents();
    ASSERT_EQ(QApplication::focusWidget(), nullptr);
    ASSERT_EQ(app().focusWidget(), &editor());
    app().updateStandardCommands();
    for (Command c : {Command::EditCopy1, Command::EditCut1, Command::EditSelectAll1, Command::RichEditBold1})
        EXPECT_TRUE(app().commandEnabled(c)) << commandRow(c).name;
    app().runCommand(Command::EditCopy1);
    EXPECT_EQ(QApplication::clipboard()->text(), "copy");
}

TEST_F(Commands, AccessKeysOfADialogStayWithTheDialog)
{
    auto* dialog = new QDialog(&app());
    auto* button = new QPushButton("&Replace", dialog);
    (new QVBoxLayout(dialog))->addWidget(button);
    int pressed = 0;
    QObject::connect(button, &QPushButton::clicked, [&] { ++pressed; });
    dialog->show();
    QApplication::setActiveWindow(dialog);
    button->setFocus();
    processEvents();
    app().column().setWritersMode(true);
    app().column().setLeftWidth(100);

    press(QKeySequence("Alt+R"));
    QTest::qWait(300);  // an access key clicks the button with a short animation
    EXPECT_EQ(pressed, 1);
    EXPECT_EQ(app().column().leftWidth(), 100) << "Editor Max Width must not take the dialog's key";
    delete dialog;
}

TEST_F(Commands, F4OpensTheSettingsAndClosesThemFromInside)
{
    press(QKeySequence(Qt::Key_F4));
    QWidget* settings = app().findChild<QWidget*>("TForm_Settings");
    ASSERT_TRUE(settings);
    ASSERT_TRUE(settings->isVisible());
    QApplication::setActiveWindow(settings);
    settings->activateWindow();
    processEvents();
    press(QKeySequence(Qt::Key_F4));
    EXPECT_FALSE(settings->isVisible());
}

TEST(TableKey, ShiftedPunctuationIsTheUnshiftedKey)
{
    EXPECT_EQ(tableKey(Qt::Key_Greater, Qt::ControlModifier | Qt::ShiftModifier),
              QKeySequence("Ctrl+Shift+.")[0]);
    EXPECT_EQ(tableKey(Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier), QKeySequence("Ctrl+Shift+1")[0]);
    EXPECT_EQ(tableKey(Qt::Key_Bar, Qt::ControlModifier | Qt::ShiftModifier), QKeySequence("Ctrl+Shift+\\")[0]);
    EXPECT_EQ(tableKey(Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier), QKeySequence("Shift+Return")[0]);
    EXPECT_EQ(tableKey(Qt::Key_Greater, Qt::NoModifier), QKeyCombination(Qt::Key_Greater));
}

}  // namespace
