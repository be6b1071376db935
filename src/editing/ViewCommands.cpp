#include "editing/ViewCommands.h"

#include "editing/Tools_Statusbar.h"
#include "editor/RichEdit.h"
#include "store/Registry.h"

namespace qp {

namespace {

const QString Miscellaneous = QStringLiteral("Miscellaneous");
const QString StatusBarKey = QStringLiteral("StatusBar");
constexpr int BasicSpacerAtSwitch = 2500;
constexpr int BasicSpacerAtRestore = 2000;

void applyWordWrap(ViewHost& host, bool on)
{
    host.editor().setWordWrap(on);
    host.setChecked(ViewToggle::WordWrap, on);
}

void applyScrollBars(ViewHost& host, bool on)
{
    host.editor().setScrollBars(on ? ScrollBars::Both : ScrollBars::None);
    host.setChecked(ViewToggle::ScrollBars, on);
}

void applyWritersMode(ViewHost& host, bool on)
{
    host.setWritersMode(on);
    host.setChecked(ViewToggle::WritersMode, on);
}

void writeFlag(ViewHost& host, const QString& subkey, const char* name, bool on)
{
    RegKey::openSettingsWrite(host.registry(), subkey).writeFlag(QString::fromLatin1(name), on);
}

void storeStatusBarPosition(ViewHost& host)
{
    writeFlag(host, StatusBarKey, "StatusBar_Position", host.statusBarAtBottom());
}

void setBasic(ViewHost& host, int spacer)
{
    host.statusBar().setPanelWidth(PanelSpacer, spacer);
    host.setChecked(ViewToggle::BasicStatusBar, spacer != 0);
}

}  // namespace

void viewWordWrap(ViewHost& host)
{
    host.keepDocumentState([&] { applyWordWrap(host, !host.editor().wordWrap()); });
    writeFlag(host, Miscellaneous, "WordWrap_Enabled", host.editor().wordWrap());
}

void viewScrollBars(ViewHost& host)
{
    RichEdit& editor = host.editor();
    const bool on = editor.scrollBars() != ScrollBars::Both;
    host.keepDocumentState([&] {
        const int start = editor.selStart();
        applyScrollBars(host, on);
        editor.setSelection(start, 0);
    });
    writeFlag(host, Miscellaneous, "ScrollBar_Enabled", on);
}

void viewWritersMode(ViewHost& host)
{
    const bool on = !host.writersMode();
    applyWritersMode(host, on);
    if (on)
        host.resetEditorColumn();
    writeFlag(host, Miscellaneous, "WritersMode_Enabled", on);
}

void restoreWritersMode(ViewHost& host)
{
    const auto key = RegKey::openSettingsRead(host.registry(), Miscellaneous);
    const bool on = key && key->readInteger(QStringLiteral("WritersMode_Enabled"), 0) == 1;
    applyWritersMode(host, on);
}

void restoreWordWrap(ViewHost& host)
{
    const auto key = RegKey::openSettingsRead(host.registry(), Miscellaneous);
    if (!key)
        return;
    applyWordWrap(host, key->readInteger(QStringLiteral("WordWrap_Enabled"), 1) == 1);
    host.markDocumentSaved();
}

void restoreScrollBars(ViewHost& host)
{
    const auto key = RegKey::openSettingsRead(host.registry(), Miscellaneous);
    if (!key)
        return;
    applyScrollBars(host, key->readInteger(QStringLiteral("ScrollBar_Enabled"), 1) == 1);
    host.markDocumentSaved();
}

void viewStatusBar(ViewHost& host)
{
    StatusBar& bar = host.statusBar();
    if (!bar.isHidden()) {
        bar.hide();
        host.setChecked(ViewToggle::StatusBar, false);
    } else {
        bar.show();
        host.setChecked(ViewToggle::StatusBar, true);
        host.refreshAllPanels();
    }
    storeStatusBarPosition(host);
    writeFlag(host, StatusBarKey, "StatusBar_Enabled", !bar.isHidden());
}

void viewStatusBarPosition(ViewHost& host)
{
    const bool toTop = host.statusBarAtBottom();
    host.dockStatusBar(!toTop);
    host.setChecked(ViewToggle::StatusBarTop, toTop);
    storeStatusBarPosition(host);
}

void viewBasicStatusBar(ViewHost& host)
{
    setBasic(host, host.statusBar().panelWidth(PanelSpacer) == 0 ? BasicSpacerAtSwitch : 0);
    writeFlag(host, Miscellaneous, "BasicStatusBar_Enabled", host.statusBar().panelWidth(PanelSpacer) != 0);
}

void restoreStatusBarPosition(ViewHost& host)
{
    const auto key = RegKey::openSettingsRead(host.registry(), StatusBarKey);
    if (!key)
        return;
    const bool bottom = key->readInteger(QStringLiteral("StatusBar_Position"), 1) == 1;
    host.dockStatusBar(bottom);
    host.setChecked(ViewToggle::StatusBarTop, !bottom);
}

void restoreStatusBarShown(ViewHost& host)
{
    const auto key = RegKey::openSettingsRead(host.registry(), StatusBarKey);
    if (!key)
        return;
    const bool shown = key->readInteger(QStringLiteral("StatusBar_Enabled"), 1) == 1;
    host.statusBar().setVisible(shown);
    host.setChecked(ViewToggle::StatusBar, shown);
}

void restoreBasicStatusBar(ViewHost& host)
{
    const auto key = RegKey::openSettingsRead(host.registry(), Miscellaneous);
    if (!key)
        return;
    setBasic(host, key->readInteger(QStringLiteral("BasicStatusBar_Enabled"), 0) == 1 ? BasicSpacerAtRestore : 0);
}

}  // namespace qp
