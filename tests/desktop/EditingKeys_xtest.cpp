// The editing keys as a writer presses them on a real X server: after the
// window has been re-created for full screen or Stay on Top, with the Insert
// key and its Ctrl and Shift forms, and in the text fields of the dialogs.
#include "desktop/DesktopFixture.h"

#include "app/Applic.h"
#include "editing/Tools_Statusbar.h"
#include "editing/Window_GoToLine.h"
#include "editor/RichEdit.h"
#include "format/Window_TextSpecifications.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace qp;
using namespace qp::test;

namespace {

class EditingKeysOnDesktop : public DesktopFixture {
protected:
    void SetUp() override
    {
        DesktopFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        startOnDesktop();
        editor().setFocus();
        processEvents();
    }
    bool clipboardHolds(const QString& text)
    {
        return waitFor([&] { return QApplication::clipboard()->text() == text; }, 3000);
    }
    // Several keys in xdotool's names, separated by spaces, one after the other.
    void keysInTurn(const QString& names)
    {
        for (const QString& key : names.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            keys(key);
    }
    bool editorHolds(const QString& text)
    {
        return waitFor([&] { return editor().text() == text; }, 3000);
    }
};

// ---------------------------------------------------------------- after the window is re-created

struct FlagChange {
    const char* name;
    const char* keys;  // xdotool names, pressed one after the other
};

void PrintTo(const FlagChange& change, std::ostream* out)
{
    *out << change.name;
}

class CommandsAfterWindowChange : public EditingKeysOnDesktop,
                                  public ::testing::WithParamInterface<FlagChange> {};

TEST_P(CommandsAfterWindowChange, EditorCommandsStillWorkFromTheKeyboard)
{
    editor().setText(QStringLiteral("alpha beta gamma"));
    editor().setSelection(6, 4);
    QApplication::clipboard()->setText(QStringLiteral("old clip"));
    ASSERT_TRUE(clipboardHolds(QStringLiteral("old clip")));

    for (const QString& key : QString::fromLatin1(GetParam().keys).split(QLatin1Char(' '))) {
        keys(key);
        // The window is re-created: wait until the new one is on the screen and settled.
        QTest::qWait(300);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&app()));
        QTest::qWait(300);
    }
    ASSERT_EQ(editor().selText(), QStringLiteral("beta")) << "the selection stays as it was";
    EXPECT_TRUE(waitFor([&] { return QApplication::focusWidget() == &editor(); }))
        << "the editor has the keyboard again";

    keys(QStringLiteral("ctrl+c"));
    EXPECT_TRUE(clipboardHolds(QStringLiteral("beta"))) << "Ctrl+C copies the selection";
    keys(QStringLiteral("ctrl+a"));
    EXPECT_TRUE(waitFor([&] { return editor().selLength() == 16; })) << "Ctrl+A selects all";
    keys(QStringLiteral("ctrl+x"));
    EXPECT_TRUE(editorHolds(QString())) << "Ctrl+X cuts";
    EXPECT_TRUE(clipboardHolds(QStringLiteral("alpha beta gamma")));
    keys(QStringLiteral("ctrl+v"));
    EXPECT_TRUE(editorHolds(QStringLiteral("alpha beta gamma"))) << "Ctrl+V pastes";
    keys(QStringLiteral("ctrl+z"));
    EXPECT_TRUE(editorHolds(QString())) << "Ctrl+Z undoes the paste";
    keys(QStringLiteral("ctrl+z"));
    EXPECT_TRUE(editorHolds(QStringLiteral("alpha beta gamma"))) << "and the cut";
    keysInTurn(QStringLiteral("ctrl+a ctrl+b"));
    EXPECT_TRUE(waitFor([&] {
        editor().setSelection(0, 16);
        return editor().selectionCharFormat().styles.testFlag(FontStyle::Bold);
    })) << "Ctrl+B makes it bold";

    if (!app().menuAttached())
        return;
    // A menu opened from the keyboard shows the editor's commands available.
    keys(QStringLiteral("alt+e"));
    QMenu* edit = app().menuBar()->findChild<QMenu*>(QStringLiteral("Edit"));
    ASSERT_TRUE(waitFor([&] { return QApplication::activePopupWidget() == edit; }));
    for (const Command command : {Command::EditUndo1, Command::EditCut1, Command::EditCopy1, Command::EditPaste1,
                                  Command::EditSelectAll1})
        EXPECT_TRUE(app().action(command)->isEnabled()) << app().action(command)->objectName().toStdString();
    screenshot(QStringLiteral("edit-menu-after-") + QString::fromLatin1(GetParam().name));
    keys(QStringLiteral("Escape"));
    EXPECT_TRUE(waitFor([] { return QApplication::activePopupWidget() == nullptr; }));
}

INSTANTIATE_TEST_SUITE_P(FullScreenAndStayOnTop, CommandsAfterWindowChange,
                         ::testing::Values(FlagChange{"FullScreen", "F11"},
                                           FlagChange{"FullScreenAndBack", "F11 Escape"},
                                           FlagChange{"FullScreenOnAndOffWithF11", "F11 F11"},
                                           FlagChange{"StayOnTop", "ctrl+m"},
                                           FlagChange{"StayOnTopOnAndOff", "ctrl+m ctrl+m"},
                                           FlagChange{"MaximizeAndRestore", "F12 F12"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- the Insert key

struct InsertKey {
    const char* name;
    const char* keys;
    const char* text;          // the document after the keys and a typed "y" at the start
    const char* typingPanel;   // the typing-mode panel afterwards
};

void PrintTo(const InsertKey& key, std::ostream* out)
{
    *out << key.name;
}

class InsertKeys : public EditingKeysOnDesktop, public ::testing::WithParamInterface<InsertKey> {};

TEST_P(InsertKeys, OnlyABareInsertSwitchesToOverwrite)
{
    editor().setText(QStringLiteral("abc"));
    editor().setSelection(0, 0);
    QApplication::clipboard()->setText(QStringLiteral("X"));
    ASSERT_TRUE(clipboardHolds(QStringLiteral("X")));

    keysInTurn(QString::fromLatin1(GetParam().keys));
    QTest::qWait(200);
    keys(QStringLiteral("y"));
    EXPECT_TRUE(editorHolds(QString::fromLatin1(GetParam().text))) << editor().text().toStdString();
    EXPECT_EQ(app().statusBar1().panelText(PanelTypingMode), QString::fromLatin1(GetParam().typingPanel));
}

INSTANTIATE_TEST_SUITE_P(
    InsertAndItsForms, InsertKeys,
    ::testing::Values(InsertKey{"Insert", "Insert", "ybc", "Overwrite"},
                      InsertKey{"InsertTwice", "Insert Insert", "yabc", "Insert"},
                      InsertKey{"ShiftInsertPastes", "shift+Insert", "Xyabc", "Insert"},
                      InsertKey{"CtrlInsertCopies", "shift+Right ctrl+Insert Left", "yabc", "Insert"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- dialog fields

struct DialogField {
    const char* name;
    const char* openKey;
    std::function<QComboBox*(TApp&)> field;
};

void PrintTo(const DialogField& field, std::ostream* out)
{
    *out << field.name;
}

class DialogFieldKeys : public EditingKeysOnDesktop, public ::testing::WithParamInterface<DialogField> {};

TEST_P(DialogFieldKeys, SelectAllCopyAndPasteWorkInTheField)
{
    editor().setText(QStringLiteral("document text"));
    editor().setSelection(0, 0);
    keys(QString::fromLatin1(GetParam().openKey));
    QComboBox* combo = GetParam().field(app());
    ASSERT_TRUE(waitFor([&] { return combo->isVisible() && combo->window()->isActiveWindow(); }));
    waitUntilPlaced(*combo->window());
    ASSERT_TRUE(waitFor([&] { return combo->hasFocus(); }));

    combo->lineEdit()->setText(QStringLiteral("123"));
    combo->lineEdit()->setCursorPosition(3);
    keys(QStringLiteral("ctrl+a"));
    EXPECT_TRUE(waitFor([&] { return combo->lineEdit()->selectedText() == QLatin1String("123"); })) << "Ctrl+A";
    keys(QStringLiteral("ctrl+c"));
    EXPECT_TRUE(clipboardHolds(QStringLiteral("123"))) << "Ctrl+C";
    keysInTurn(QStringLiteral("End ctrl+v"));
    EXPECT_TRUE(waitFor([&] { return combo->currentText() == QLatin1String("123123"); }))
        << "Ctrl+V: " << combo->currentText().toStdString();
    EXPECT_EQ(editor().text(), QStringLiteral("document text")) << "the document is not touched";
    screenshot(QStringLiteral("field-keys-") + QString::fromLatin1(GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(
    GoToLineAndTextSpecifications, DialogFieldKeys,
    ::testing::Values(
        DialogField{"GoToLine", "ctrl+g",
                    [](TApp& app) {
                        return app.windows().goToLine->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
                    }},
        DialogField{"TextSpecificationsName", "ctrl+h",
                    [](TApp& app) {
                        return app.windows().textSpecifications->findChild<QComboBox*>(QStringLiteral("ComboBox1"));
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
