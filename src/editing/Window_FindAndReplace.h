#pragma once

#include "editor/RichEdit.h"

#include <QDialog>
#include <QRect>

#include <functional>
#include <memory>

class QAbstractButton;
class QCheckBox;
class QLineEdit;
class QMenu;
class QPushButton;

namespace qp {

class MessageService;
class Registry;

// What Find and Replace needs of the main window.
class SearchHost {
public:
    virtual ~SearchHost() = default;
    virtual RichEdit& editor() = 0;
    virtual MessageService& messages() = 0;
    // The main window's last search text, kept while the program runs.
    virtual QString& lastSearchText() = 0;
    virtual void enableFindNext() = 0;
    // The status bar stands in the window now (not hidden behind the message bar).
    virtual bool statusBarVisible() = 0;
    // The View command "&Statusbar" is checked.
    virtual bool statusBarSwitchedOn() = 0;
    // Shows the message bar in the status bar's place and paints it at once.
    virtual void showMessage(const QString& text) = 0;
    virtual void setMessageText(const QString& text) = 0;
    virtual void endMessage() = 0;
    virtual void refreshAllPanels() = 0;
    // The one guard of entries from the event loop.
    virtual bool guarded(const std::function<void()>& work) = 0;
    virtual Registry& registry() = 0;
    virtual bool rememberDialogPosition() = 0;
    virtual QRect mainWindowFrame() = 0;
};

// The modeless Find and Replace window: created once, hidden, at start-up;
// showing and closing only show and hide it, so its fields keep their contents.
// The commands below run inside the caller's guard and may end with the cancel signal.
class TForm_FindAndReplace : public QDialog {
    Q_OBJECT
public:
    TForm_FindAndReplace(std::unique_ptr<SearchHost> host, QWidget* parent);
    ~TForm_FindAndReplace() override;

    // Action_Search_FindAndReplace: shows the window, or brings it to the front.
    void showDialog();
    void findFirst();
    // The button, Enter in the window and F3 in the main window.
    void findNext();
    void replace();
    void replaceAll();
    // Action_Search_FindSelection: the next occurrence of the selected text.
    void findSelection();

    // The search and replacement texts with their codes converted.
    QString searchText() const;
    QString replacementText() const;
    FindOptions findOptions() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void claimMnemonic(QAbstractButton* button);
    void searchFromSelection();
    void recordLastSearchText();
    void savePosition();
    void showFieldMenu(QLineEdit* field, const QPoint& position);
    void insertCode(const QString& code);
    void runGuarded(void (TForm_FindAndReplace::*command)());

    std::unique_ptr<SearchHost> m_host;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
};

}  // namespace qp
