#include "app/AppHosts.h"

#include "app/Applic.h"
#include "app/document/Tools_File.h"
#include "app/window/EditorColumn.h"
#include "app/window/Tools_Mainform.h"
#include "editing/AutoWordList.h"
#include "editing/EditCommands.h"
#include "editing/EditingDialogHost.h"
#include "editing/Tools_Statusbar.h"
#include "editing/ViewCommands.h"
#include "editing/Window_FindAndReplace.h"
#include "files/Tools_FileLists.h"
#include "format/Tools_Format.h"
#include "help/HelpCommands.h"
#include "platform/Services.h"
#include "platform/ShellService.h"
#include "platform/SystemServices.h"
#include "print/PrintCommands.h"
#include "print/Window_PrintOptions.h"
#include "settings/FirstRun.h"
#include "settings/Window_Settings.h"
#include "store/Registry.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QScopeGuard>

namespace qp {

namespace {

class AppEditingHost final : public EditingHost {
public:
    explicit AppEditingHost(TApp& app) : m_app(app) {}

    RichEdit& editor() override { return m_app.editor(); }
    QWidget& mainWindow() override { return m_app; }
    QDateTime now() override { return m_app.services().clock.now(); }
    const SettingsOptions& options() override { return m_app.options(); }
    const RegionalValues& regionalValues() override { return m_app.regionalValues(); }
    ClipSlots& clipSlots() override { return m_clipSlots; }
    bool fullScreen() override { return m_app.values().fullScreen; }

    void popupMenu(EditorMenu menu, QPoint screenPosition) override
    {
        if (menu == EditorMenu::Standard)
            m_app.popupEditorMenu(screenPosition, m_app.editor().textCursor().position());
        else
            m_app.popupMenu(5)->popup(screenPosition);
    }

    void updateStandardCommands() override { m_app.updateStandardCommands(); }

    void hideAutoWordList() override
    {
        // Nothing is inserted, and the click goes on to place the caret.
        m_app.autoWordList().hidePopup();
        m_app.autoWordList().hide();
    }

private:
    TApp& m_app;
    ClipSlots m_clipSlots;
};

class AppViewHost final : public ViewHost {
public:
    explicit AppViewHost(TApp& app) : m_app(app) {}

    RichEdit& editor() override { return m_app.editor(); }
    Registry& registry() override { return m_app.registry(); }
    StatusBar& statusBar() override { return m_app.statusBar1(); }
    bool statusBarAtBottom() override { return m_app.statusBarAtBottom(); }
    void dockStatusBar(bool bottom) override { m_app.dockStatusBar(bottom); }
    void refreshAllPanels() override { m_app.refreshAllPanels(); }
    bool writersMode() override { return m_app.column().writersMode(); }
    void setWritersMode(bool on) override { m_app.column().setWritersMode(on); }
    void resetEditorColumn() override { editorReset(m_app); }

    void setChecked(ViewToggle toggle, bool checked) override
    {
        m_app.action(command(toggle))->setChecked(checked);
    }

    void keepDocumentState(const std::function<void()>& change) override
    {
        const DocState state = m_app.document().state;
        const auto restore = qScopeGuard([&] {
            m_app.document().state = state;
            m_app.refreshStatePanel();
        });
        change();
    }

    void markDocumentSaved() override { setDocState(m_app, DocState::Saved); }

private:
    static Command command(ViewToggle toggle)
    {
        switch (toggle) {
        case ViewToggle::WordWrap: return Command::View_WordwrapEnabled;
        case ViewToggle::ScrollBars: return Command::View_ScrollBarEnabled;
        case ViewToggle::WritersMode: return Command::View_WritersMode;
        case ViewToggle::StatusBar: return Command::View_StatusBarEnabled;
        case ViewToggle::StatusBarTop: return Command::View_StatusBarPos;
        case ViewToggle::BasicStatusBar: return Command::View_BasicStatusbar;
        }
        Q_UNREACHABLE();
        return Command::View_WordwrapEnabled;
    }

    TApp& m_app;
};

class AppSearchHost final : public SearchHost {
public:
    explicit AppSearchHost(TApp& app) : m_app(app) {}

    RichEdit& editor() override { return m_app.editor(); }
    MessageService& messages() override { return m_app.services().messages; }
    QString& lastSearchText() override { return m_app.lastSearchText(); }
    void enableFindNext() override { m_app.setCommandEnabled(Command::Search_FindNext, true); }
    bool statusBarVisible() override { return !m_app.statusBar1().isHidden(); }
    bool statusBarSwitchedOn() override { return m_app.action(Command::View_StatusBarEnabled)->isChecked(); }

    void showMessage(const QString& text) override
    {
        m_app.showMessage(text);
        // The long operation that follows gives the event loop no chance to paint it.
        m_app.statusBar3().repaint();
    }

    void setMessageText(const QString& text) override { m_app.setMessageText(text); }
    void endMessage() override { m_app.endMessage(); }
    void refreshAllPanels() override { m_app.refreshAllPanels(); }
    bool guarded(const std::function<void()>& work) override { return m_app.guarded(work); }
    Registry& registry() override { return m_app.registry(); }
    bool rememberDialogPosition() override { return m_app.options().rememberDialogPosition; }
    QRect mainWindowFrame() override { return m_app.frameGeometry(); }

private:
    TApp& m_app;
};

class AppFilesHost final : public FilesHost {
public:
    explicit AppFilesHost(TApp& app) : m_app(app) {}

    Registry& registry() override { return m_app.registry(); }
    MessageService& messages() override { return m_app.services().messages; }
    FileDialogService& fileDialogs() override { return m_app.services().fileDialogs; }
    bool guarded(const std::function<void()>& work) override { return m_app.guarded(work); }
    bool rememberDialogPosition() override { return m_app.options().rememberDialogPosition; }
    QRect mainWindowFrame() override { return m_app.frameGeometry(); }
    QString documentFileName() override { return m_app.document().fileName; }
    void querySave() override { qp::querySave(m_app); }
    void loadDocument(const QString& path) override { loadNamedFile(m_app, path); }
    QString openFilter() override { return m_app.document().openFilter; }

private:
    TApp& m_app;
};

class AppEditingDialogHost final : public EditingDialogHost {
public:
    explicit AppEditingDialogHost(TApp& app) : m_app(app) {}

    RichEdit& editor() override { return m_app.editor(); }
    Registry& registry() override { return m_app.registry(); }
    bool guarded(const std::function<void()>& work) override { return m_app.guarded(work); }
    bool rememberDialogPosition() override { return m_app.options().rememberDialogPosition; }
    QRect mainWindowFrame() override { return m_app.frameGeometry(); }

    void focusEditor() override
    {
        m_app.activateWindow();
        m_app.editor().setFocus(Qt::OtherFocusReason);
    }

private:
    TApp& m_app;
};

class AppPrintHost final : public PrintHost {
public:
    explicit AppPrintHost(TApp& app) : m_app(app) {}

    RichEdit& editor() override { return m_app.editor(); }
    Registry& registry() override { return m_app.registry(); }
    MessageService& messages() override { return m_app.services().messages; }
    PrintDialogService& printDialog() override { return m_app.services().printDialog; }
    bool guarded(const std::function<void()>& work) override { return m_app.guarded(work); }
    QRect screenGeometry() override { return m_app.services().screen.screenGeometry(); }
    QString documentFileName() override { return m_app.document().fileName; }
    QDateTime now() override { return m_app.services().clock.now(); }
    const SettingsOptions& options() override { return m_app.options(); }
    const RegionalValues& regionalValues() override { return m_app.regionalValues(); }
    int documentState() override { return int(m_app.document().state); }
    void restoreDocumentState(int state) override { setDocState(m_app, DocState(state)); }
    bool statusBarVisible() override { return !m_app.statusBar1().isHidden(); }

    void showMessage(const QString& text) override
    {
        m_app.showMessage(text);
        m_app.statusBar3().repaint();
    }

    void endMessage() override { m_app.endMessage(); }

private:
    TApp& m_app;
};

class AppHelpHost final : public HelpHost {
public:
    explicit AppHelpHost(TApp& app) : m_app(app) {}

    MessageService& messages() override { return m_app.services().messages; }
    ShellService& shell() override { return m_app.services().shell; }
    PrintDialogService& printDialog() override { return m_app.services().printDialog; }
    const Paths& paths() override { return m_app.services().paths; }
    bool guarded(const std::function<void()>& work) override { return m_app.guarded(work); }
    QRect screenGeometry() override { return m_app.services().screen.screenGeometry(); }
    QString version() override { return QString::fromLatin1(VersionText); }

private:
    TApp& m_app;
};

class AppAutoWordsHost final : public AutoWordsHost {
public:
    explicit AppAutoWordsHost(TApp& app) : m_app(app) {}

    RichEdit& editor() override { return m_app.editor(); }
    Registry& registry() override { return m_app.registry(); }
    QString autoWordFile() override { return m_app.services().paths.programFile(FileName); }
    QString userAutoWordFile() override { return QDir(m_app.services().paths.programFolder).filePath(FileName); }
    void enableAutoWord() override { m_app.setCommandEnabled(Command::Insert_AutoWords, true); }
    bool alphabetic() override { return m_app.action(Command::Insert_ChangeSortOrder)->isChecked(); }
    void setAlphabetic(bool on) override { m_app.action(Command::Insert_ChangeSortOrder)->setChecked(on); }
    bool guarded(const std::function<void()>& work) override { return m_app.guarded(work); }

    void focusEditor() override
    {
        m_app.activateWindow();
        m_app.editor().setFocus(Qt::OtherFocusReason);
    }

private:
    inline static const QString FileName = QStringLiteral("Autowords.txt");
    TApp& m_app;
};

class AppFormatHost final : public FormatHost {
public:
    explicit AppFormatHost(TApp& app) : m_app(app) {}

    RichEdit& editor() override { return m_app.editor(); }
    Registry& registry() override { return m_app.registry(); }
    MessageService& messages() override { return m_app.services().messages; }
    bool guarded(const std::function<void()>& work) override { return m_app.guarded(work); }
    bool rememberDialogPosition() override { return m_app.options().rememberDialogPosition; }
    QRect mainWindowFrame() override { return m_app.frameGeometry(); }

private:
    TApp& m_app;
};

// The install's steps that belong to other windows.
class AppSetupHost final : public SetupHost {
public:
    explicit AppSetupHost(TApp& app) : m_app(app) {}

    void setInstallSettings() override { m_app.windows().settings->setInstallDefaults(); }

    void setInstallPrintOptions() override { m_app.windows().printOptions->setInstallChoices(); }

    void reloadAutoWords() override { loadAutoWords(m_app.autoWordsHost(), m_app.autoWordList()); }

    // The Text Specifications window shows the selection's format; the
    // install's format is the built-in default, stored in the later step.
    void setInstallTextSpecifications() override {}

    void savePrintOptions() override { m_app.windows().printOptions->store(); }

    void applyInstallSettings() override { m_app.windows().settings->applyOk(OkMode::Install); }

    void saveDefaultFormat() override { writeDefaultFormat(m_app.registry(), DefaultFormat{}); }

    void querySave() override { qp::querySave(m_app); }

    void removeDesktopIntegration() override { m_app.services().shell.removeDesktopIntegration(); }

    void endProgram() override { m_app.requestEnd(); }

private:
    TApp& m_app;
};

}  // namespace

std::unique_ptr<SetupHost> makeSetupHost(TApp& app)
{
    return std::make_unique<AppSetupHost>(app);
}

std::unique_ptr<AutoWordsHost> makeAutoWordsHost(TApp& app)
{
    return std::make_unique<AppAutoWordsHost>(app);
}

std::unique_ptr<EditingDialogHost> makeEditingDialogHost(TApp& app)
{
    return std::make_unique<AppEditingDialogHost>(app);
}

std::unique_ptr<FilesHost> makeFilesHost(TApp& app)
{
    return std::make_unique<AppFilesHost>(app);
}

std::unique_ptr<EditingHost> makeEditingHost(TApp& app)
{
    return std::make_unique<AppEditingHost>(app);
}

std::unique_ptr<ViewHost> makeViewHost(TApp& app)
{
    return std::make_unique<AppViewHost>(app);
}

std::unique_ptr<SearchHost> makeSearchHost(TApp& app)
{
    return std::make_unique<AppSearchHost>(app);
}

std::unique_ptr<PrintHost> makePrintHost(TApp& app)
{
    return std::make_unique<AppPrintHost>(app);
}

std::unique_ptr<HelpHost> makeHelpHost(TApp& app)
{
    return std::make_unique<AppHelpHost>(app);
}

std::unique_ptr<FormatHost> makeFormatHost(TApp& app)
{
    return std::make_unique<AppFormatHost>(app);
}

}  // namespace qp
