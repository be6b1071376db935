#include "app/ViewCommands.h"

#include "app/Applic.h"
#include "app/window/EditorColumn.h"
#include "app/window/Tools_Mainform.h"
#include "editing/Tools_Statusbar.h"
#include "platform/Registry.h"
#include "platform/RichEdit.h"

#include <QAction>

namespace qp {

namespace {

const QString Miscellaneous = QStringLiteral("Miscellaneous");
const QString StatusBarKey = QStringLiteral("StatusBar");
constexpr int BasicSpacerAtSwitch = 2500;
constexpr int BasicSpacerAtRestore = 2000;

void setChecked(TApp& app, Command command, bool checked)
{
    app.action(command)->setChecked(checked);
}

// View changes make the editor report text changes; the document state is put back.
class KeepDocumentState {
public:
    explicit KeepDocumentState(TApp& app) : m_app(app), m_state(app.document().state) {}
    ~KeepDocumentState()
    {
        m_app.document().state = m_state;
        m_app.refreshStatePanel();
    }

private:
    TApp& m_app;
    DocState m_state;
};

void applyWordWrap(TApp& app, bool on)
{
    app.editor().setWordWrap(on);
    setChecked(app, Command::View_WordwrapEnabled, on);
}

void applyScrollBars(TApp& app, bool on)
{
    app.editor().setScrollBars(on ? ScrollBars::Both : ScrollBars::None);
    setChecked(app, Command::View_ScrollBarEnabled, on);
}

void applyWritersMode(TApp& app, bool on)
{
    app.column().setWritersMode(on);
    setChecked(app, Command::View_WritersMode, on);
}

void writeFlag(TApp& app, const QString& subkey, const char* name, bool on)
{
    RegKey::openSettingsWrite(app.registry(), subkey).writeFlag(QString::fromLatin1(name), on);
}

void storeStatusBarPosition(TApp& app)
{
    writeFlag(app, StatusBarKey, "StatusBar_Position", app.statusBarAtBottom());
}

void setBasic(TApp& app, int spacer)
{
    app.statusBar1().setPanelWidth(PanelSpacer, spacer);
    setChecked(app, Command::View_BasicStatusbar, spacer != 0);
}

}  // namespace

void viewWordWrap(TApp& app)
{
    const KeepDocumentState keep(app);
    applyWordWrap(app, !app.editor().wordWrap());
    writeFlag(app, Miscellaneous, "WordWrap_Enabled", app.editor().wordWrap());
}

void viewScrollBars(TApp& app)
{
    const KeepDocumentState keep(app);
    RichEdit& editor = app.editor();
    const int start = editor.selStart();
    const bool on = editor.scrollBars() != ScrollBars::Both;
    applyScrollBars(app, on);
    editor.setSelection(start, 0);
    writeFlag(app, Miscellaneous, "ScrollBar_Enabled", on);
}

void viewWritersMode(TApp& app)
{
    const bool on = !app.column().writersMode();
    applyWritersMode(app, on);
    if (on)
        editorReset(app);
    writeFlag(app, Miscellaneous, "WritersMode_Enabled", on);
}

void restoreWritersMode(TApp& app)
{
    const auto key = RegKey::openSettingsRead(app.registry(), Miscellaneous);
    const bool on = key && key->readInteger(QStringLiteral("WritersMode_Enabled"), 0) == 1;
    applyWritersMode(app, on);
}

void restoreWordWrap(TApp& app)
{
    const auto key = RegKey::openSettingsRead(app.registry(), Miscellaneous);
    if (!key)
        return;
    applyWordWrap(app, key->readInteger(QStringLiteral("WordWrap_Enabled"), 1) == 1);
    setDocState(app, DocState::Saved);
}

void restoreScrollBars(TApp& app)
{
    const auto key = RegKey::openSettingsRead(app.registry(), Miscellaneous);
    if (!key)
        return;
    applyScrollBars(app, key->readInteger(QStringLiteral("ScrollBar_Enabled"), 1) == 1);
    setDocState(app, DocState::Saved);
}

void viewStatusBar(TApp& app)
{
    StatusBar& bar = app.statusBar1();
    if (!bar.isHidden()) {
        bar.hide();
        setChecked(app, Command::View_StatusBarEnabled, false);
    } else {
        bar.show();
        setChecked(app, Command::View_StatusBarEnabled, true);
        app.refreshAllPanels();
    }
    storeStatusBarPosition(app);
    writeFlag(app, StatusBarKey, "StatusBar_Enabled", !bar.isHidden());
}

void viewStatusBarPosition(TApp& app)
{
    const bool toTop = app.statusBarAtBottom();
    app.dockStatusBar(!toTop);
    setChecked(app, Command::View_StatusBarPos, toTop);
    storeStatusBarPosition(app);
}

void viewBasicStatusBar(TApp& app)
{
    setBasic(app, app.statusBar1().panelWidth(PanelSpacer) == 0 ? BasicSpacerAtSwitch : 0);
    writeFlag(app, Miscellaneous, "BasicStatusBar_Enabled", app.statusBar1().panelWidth(PanelSpacer) != 0);
}

void restoreStatusBarPosition(TApp& app)
{
    const auto key = RegKey::openSettingsRead(app.registry(), StatusBarKey);
    if (!key)
        return;
    const bool bottom = key->readInteger(QStringLiteral("StatusBar_Position"), 1) == 1;
    app.dockStatusBar(bottom);
    setChecked(app, Command::View_StatusBarPos, !bottom);
}

void restoreStatusBarShown(TApp& app)
{
    const auto key = RegKey::openSettingsRead(app.registry(), StatusBarKey);
    if (!key)
        return;
    const bool shown = key->readInteger(QStringLiteral("StatusBar_Enabled"), 1) == 1;
    app.statusBar1().setVisible(shown);
    setChecked(app, Command::View_StatusBarEnabled, shown);
}

void restoreBasicStatusBar(TApp& app)
{
    const auto key = RegKey::openSettingsRead(app.registry(), Miscellaneous);
    if (!key)
        return;
    setBasic(app, key->readInteger(QStringLiteral("BasicStatusBar_Enabled"), 0) == 1 ? BasicSpacerAtRestore : 0);
}

}  // namespace qp
