#pragma once

#include "settings/Settings.h"

#include <QDialog>

#include <optional>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace qp {

class FileDialogService;
class MessageService;
class Registry;

// The Settings dialog: created once, hidden, and only shown and hidden after
// that, so its fields keep the user's edits between shows (the next show loads
// the stored values over them). Modeless and kept on top.
class TForm_Settings : public QDialog {
    Q_OBJECT

public:
    TForm_Settings(Registry& registry, MessageService& messages, FileDialogService& fileDialogs,
                   SettingsOptions& options, SettingsHost& host, QWidget* parent = nullptr);

    // Action_Tools_Settings: load the settings, check the associations, show
    // centred on the screen. A failing load is reported and the dialog still
    // comes up, so that OK can store a complete set again.
    void showSettings();

    // The stored settings into memory and the controls; throws the store's error.
    void loadSettings();
    // OK without closing; throws on a bad Lines per Page or a store failure.
    void applyOk(OkMode mode = OkMode::Dialog);

    // The registry install's first step: the boxes, file type and Lines per Page it sets.
    void setInstallDefaults();

    SettingsControls controlState() const;
    void setControlState(const SettingsControls& state);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void okClicked();
    void browseRunPath();
    void centreOnScreen();

    Registry& m_registry;
    MessageService& m_messages;
    FileDialogService& m_fileDialogs;
    SettingsOptions& m_options;
    SettingsHost& m_host;
    // The controls as the last show left them, to tell which boxes the user changed.
    std::optional<SettingsControls> m_shown;

    QCheckBox* m_associateRtf = nullptr;
    QCheckBox* m_associateTxt = nullptr;
    QCheckBox* m_sendTo = nullptr;
    QLineEdit* m_linesPerPage = nullptr;
    QCheckBox* m_autoIndent = nullptr;
    QComboBox* m_fileType = nullptr;
    QCheckBox* m_notesFileName = nullptr;
    QLineEdit* m_dateFormat = nullptr;
    QLineEdit* m_timeFormat = nullptr;
    QLineEdit* m_runPath = nullptr;
    QPushButton* m_browseRun = nullptr;
    QCheckBox* m_dialogPosition = nullptr;
    QCheckBox* m_escToQuit = nullptr;
    QCheckBox* m_recovery = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

}  // namespace qp
