#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QRadioButton;

namespace qp {

class MessageService;
class Registry;
class SettingsHost;
class SetupHost;

// The Setup window: created once, hidden, at start-up; showing and closing
// only show and hide it. Modeless and kept on top, so start-up goes on under it.
class TForm_FirstRun : public QDialog {
    Q_OBJECT
public:
    TForm_FirstRun(Registry& registry, MessageService& messages, SettingsHost& settings, SetupHost& host,
                   QWidget* parent = nullptr);

    // At start-up: shows the window when this version is not the installed one.
    void versionCheck();
    // Action_Tools_Setup.
    void showSetup();

    // OK: the install or the uninstall after the question; throws the store's error.
    void okClicked();

protected:
    void changeEvent(QEvent* event) override;

private:
    void buildControls();
    void refreshLabels();
    void centreOnScreen();

    Registry& m_registry;
    MessageService& m_messages;
    SettingsHost& m_settings;
    SetupHost& m_host;

    QLabel* m_installed = nullptr;
    QLabel* m_thisVersion = nullptr;
    QRadioButton* m_install = nullptr;
    QRadioButton* m_uninstall = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace qp
