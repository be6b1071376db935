#include "app/SearchCommands.h"

#include "app/Applic.h"
#include "editing/Tools_Statusbar.h"
#include "editing/Window_FindAndReplace.h"
#include "platform/Services.h"

#include <QAction>

namespace qp {

namespace {

// Find and Replace's view of the main window.
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

TForm_FindAndReplace& dialog(TApp& app)
{
    return *app.windows().findAndReplace;
}

}  // namespace

TForm_FindAndReplace* createFindAndReplace(TApp& app)
{
    return new TForm_FindAndReplace(std::make_unique<AppSearchHost>(app), &app);
}

void searchFindSelection(TApp& app)
{
    dialog(app).findSelection();
}

void searchFindNext(TApp& app)
{
    dialog(app).findNext();
}

void searchFindAndReplace(TApp& app)
{
    dialog(app).showDialog();
}

}  // namespace qp
