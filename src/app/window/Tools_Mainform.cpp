#include "app/window/Tools_Mainform.h"

#include "app/Applic.h"
#include "app/window/EditorColumn.h"
#include "editor/RichEdit.h"
#include "platform/Errors.h"
#include "platform/Services.h"
#include "platform/SystemServices.h"
#include "platform/WindowManagement.h"
#include "store/Registry.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>

namespace qp {

namespace {

const QString MainForm = QStringLiteral("MainForm");
constexpr int Frame = 8;

std::optional<RegKey> mainFormKey(TApp& app)
{
    return RegKey::openSettingsRead(app.registry(), MainForm);
}

// The column commands act only while the right divider shows (Writers Mode).
EditorColumn& columnInWritersMode(TApp& app)
{
    if (!app.column().writersMode())
        cancel();
    return app.column();
}

// Bounds as the settings hold them, made usable on the screens there are now.
void setNormalGeometry(TApp& app, int left, int top, int width, int height)
{
    const QRect bounds = usableWindowBounds(left, top, width, height, app.services().screen.screens(), QSize(640, 480));
    // Sizes are the client size and positions the frame's, so that a stored
    // geometry comes back unchanged whatever the window manager's frame.
    app.resize(bounds.size());
    moveFrameTo(app, bounds.topLeft());
}

// Changing the window's flags re-creates its native window. Qt then drops
// the window as the active one, and when the window system already has it
// as the focus window again no focus change follows to bring that back: the
// keys still type, but no control has the program's focus and the standard
// commands would find none.
void giveEditorTheKeyboard(TApp& app)
{
    if (QGuiApplication::focusWindow() == app.windowHandle() && QApplication::activeWindow() != &app)
        QApplication::setActiveWindow(&app);
    else
        app.activateWindow();
    app.editor().setFocus(Qt::OtherFocusReason);
}

}  // namespace

int outerWidth(const TApp& app)
{
    return app.column().width() + Frame;
}

void applyBeforeMaxBounds(TApp& app)
{
    const auto key = mainFormKey(app);
    if (!key)
        return;
    const QRect frame = app.frameGeometry();
    setNormalGeometry(app, key->readInteger(QStringLiteral("BeforeMax_Main_Left"), frame.left()),
                      key->readInteger(QStringLiteral("BeforeMax_Main_Top"), frame.top()),
                      key->readInteger(QStringLiteral("BeforeMax_Main_Width"), app.width()),
                      key->readInteger(QStringLiteral("BeforeMax_Main_Height"), app.height()));
}

void restoreWindowGeometry(TApp& app)
{
    const QRect screen = app.services().screen.screenGeometry();
    const auto key = mainFormKey(app);
    auto read = [&](const char* name, int fallback) {
        return key ? key->readInteger(QString::fromLatin1(name), fallback) : fallback;
    };
    if (read("Main_State", 10) == 1) {
        app.setWindowState((app.windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
        return;
    }
    app.setWindowState(app.windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    const int width = read("Main_Width", 640);
    const int height = read("Main_Height", 480);
    const int left = read("Main_Left", screen.width() / 2 - 320);
    const int top = read("Main_Top", screen.height() / 2 - 240);
    setNormalGeometry(app, left, top, width, height);
}

void restoreEditorColumn(TApp& app)
{
    const auto key = mainFormKey(app);
    if (!key)
        return;
    EditorColumn& column = app.column();
    column.setEditorWidth(key->readInteger(QStringLiteral("Editor_Width"), column.editorWidth()));
    column.setLeftWidth(key->readInteger(QStringLiteral("Editor_Left"), column.leftWidth()));
}

void storeWindowGeometry(TApp& app)
{
    RegKey key = RegKey::openSettingsWrite(app.registry(), MainForm);
    const QRect bounds = app.frameGeometry();
    // One replace of the settings file, not seven: the program is closing
    // and the user waits for each.
    key.writeIntegers({{QStringLiteral("Main_Width"), app.width()},
                       {QStringLiteral("Main_Height"), app.height()},
                       {QStringLiteral("Main_Left"), bounds.left()},
                       {QStringLiteral("Main_Top"), bounds.top()},
                       {QStringLiteral("Main_State"), app.isMaximized() ? 1 : 0},
                       {QStringLiteral("Editor_Width"), app.column().editorWidth()},
                       {QStringLiteral("Editor_Left"), app.column().leftWidth()}});
}

void storeBeforeMaxBounds(TApp& app)
{
    RegKey key = RegKey::openSettingsWrite(app.registry(), MainForm);
    // On a maximized window these are the bounds it had before.
    const QRect normal = app.isMaximized() ? app.normalGeometry() : app.geometry();
    const QRect frame = app.frameGeometry();
    const QPoint topLeft = app.isMaximized() ? normal.topLeft() - (app.geometry().topLeft() - frame.topLeft())
                                             : frame.topLeft();
    key.writeInteger(QStringLiteral("BeforeMax_Main_Width"), normal.width());
    key.writeInteger(QStringLiteral("BeforeMax_Main_Height"), normal.height());
    key.writeInteger(QStringLiteral("BeforeMax_Main_Left"), topLeft.x());
    key.writeInteger(QStringLiteral("BeforeMax_Main_Top"), topLeft.y());
}

void restoreStayOnTop(TApp& app)
{
    const auto key = mainFormKey(app);
    if (!key || key->readInteger(QStringLiteral("StayOnTop_Enabled"), 0) != 1)
        return;
    setStayOnTop(app, true);
    giveEditorTheKeyboard(app);
    app.action(Command::View_Stayontop)->setChecked(true);
}

void viewMaximizeRestore(TApp& app)
{
    if (!app.isMaximized()) {
        storeBeforeMaxBounds(app);
        app.showMaximized();
    } else {
        app.showNormal();
    }
    giveEditorTheKeyboard(app);
}

void viewStayOnTop(TApp& app)
{
    storeWindowGeometry(app);
    QAction* command = app.action(Command::View_Stayontop);
    const bool onTop = !command->isChecked();
    setStayOnTop(app, onTop);
    giveEditorTheKeyboard(app);
    command->setChecked(onTop);
    RegKey::openSettingsWrite(app.registry(), MainForm).writeInteger(QStringLiteral("StayOnTop_Enabled"), onTop ? 1 : 0);
}

void viewFullScreen(TApp& app)
{
    RichEdit& editor = app.editor();
    const int start = editor.selStart();
    const int length = editor.selLength();
    bool& fullScreen = app.values().fullScreen;
    if (fullScreen) {
        fullScreen = false;
        app.setCommandEnabled(Command::View_MaximizeRestore, true);
        setTitleBar(app, true);
        setMenuAttached(app, true);
        if (app.wasMaximized()) {
            // Full screen has given the window the screen's bounds; the stored
            // pre-maximize bounds become its normal bounds again, so that a later
            // restore does not bring back a window of the screen's size.
            applyBeforeMaxBounds(app);
            app.maximizeKeepingBounds();
        } else {
            restoreWindowGeometry(app);
            restoreEditorColumn(app);
        }
    } else {
        fullScreen = true;
        app.setCommandEnabled(Command::View_MaximizeRestore, false);
        storeWindowGeometry(app);
        if (app.isMaximized())
            app.wasMaximized() = true;
        else if (!app.isMinimized())
            app.wasMaximized() = false;
        setTitleBar(app, false);
        setMenuAttached(app, false);
        const QRect screen = app.services().screen.screenGeometry();
        app.setWindowState(Qt::WindowNoState);
        app.setGeometry(0, 0, screen.width(), screen.height());
    }
    editor.setSelection(start, length);
    giveEditorTheKeyboard(app);
}

void viewFullScreenEsc(TApp& app)
{
    if (app.values().fullScreen)
        viewFullScreen(app);
}

void editorIncrease(TApp& app)
{
    EditorColumn& column = columnInWritersMode(app);
    if (column.rightWidth() > 45)
        column.setEditorWidth(column.editorWidth() + 20);
}

void editorDecrease(TApp& app)
{
    EditorColumn& column = columnInWritersMode(app);
    if (column.editorWidth() > 30)
        column.setEditorWidth(column.editorWidth() - 20);
}

void editorMoveLeft(TApp& app)
{
    EditorColumn& column = columnInWritersMode(app);
    if (column.leftWidth() > 30)
        column.setLeftWidth(column.leftWidth() - 20);
}

void editorMoveRight(TApp& app)
{
    EditorColumn& column = columnInWritersMode(app);
    if (column.rightWidth() > 45)
        column.setLeftWidth(column.leftWidth() + 20);
}

void editorReset(TApp& app)
{
    EditorColumn& column = columnInWritersMode(app);
    column.setLeftWidth(30);
    column.setEditorWidth(outerWidth(app) - 76);
}

void editorCenter(TApp& app)
{
    EditorColumn& column = columnInWritersMode(app);
    const int w = outerWidth(app);
    if (w >= column.editorWidth())
        column.setLeftWidth((w - column.editorWidth()) / 2 - 8);
}

}  // namespace qp
