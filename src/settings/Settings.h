#pragma once

#include <QString>

namespace qp {

class Registry;

enum class FileType { Rtf = 0, Text = 1 };

// The program-wide options the settings module keeps in memory, as of the
// last load or OK. Other parts read them at run time.
struct SettingsOptions {
    QString dateFormat;  // a date and time pattern; empty works as "c"
    QString timeFormat;
    FileType defaultFileType = FileType::Rtf;
    int linesPerPage = 10;  // at least 1: the page estimate divides by it
    bool notesFileName = false;  // "Notes" + date names an untitled document
    QString runPath;
    bool rememberDialogPosition = false;
    bool autoIndent = true;
    // Held by the dialog's boxes and their effects; kept here as last loaded or stored.
    bool escToQuit = false;
    // Copies of unsaved documents against a crash (Recovery_Enabled).
    bool recoveryEnabled = true;
    bool associateRtf = false;
    bool associateTxt = false;
    bool sendTo = false;
};

// What the dialog's controls hold, starting from their built-in state.
struct SettingsControls {
    bool associateRtf = true;
    bool associateTxt = true;
    bool sendTo = true;
    QString linesPerPage = QStringLiteral("58");
    bool autoIndent = false;
    FileType fileType = FileType::Rtf;
    bool notesFileName = true;
    QString dateFormat = QStringLiteral("yyyy-mm-dd");
    QString timeFormat = QStringLiteral("hh:mm");
    QString runPath;
    bool rememberDialogPosition = true;
    bool escToQuit = false;
    bool recoveryEnabled = true;
};

// What the settings need from the main window and the shell integration,
// so that the settings module never knows the main window.
class SettingsHost {
public:
    virtual ~SettingsHost() = default;
    // Action_Other_Run.
    virtual void setRunEnabled(bool enabled) = 0;
    // On: Action_File_ExitEsc enabled and shown, Action_File_Exit disabled and hidden; off: the reverse.
    virtual void setEscToQuit(bool on) = 0;
    // Whether copies of the unsaved document are kept against a crash.
    virtual void setRecoveryEnabled(bool on) { (void)on; }
    // An untitled document takes its file type afresh from the default file type.
    virtual void refreshUntitledDocumentType() = 0;
    // The file associations and the "Send to Quillpress" entry under HKEY_CLASSES_ROOT.
    virtual void associate(const QString& extension, const QString& fileClass) = 0;
    virtual void removeAssociation(const QString& extension, const QString& fileClass) = 0;
    virtual void addSendTo() = 0;
    virtual void removeSendTo() = 0;
    // True when the desktop opens files of the extension with this program,
    // whatever the store says.
    virtual bool desktopOpensWithUs(const QString& extension) = 0;
    // Tells the desktop that file associations changed.
    virtual void notifyAssociationsChanged() = 0;
};

// The file-type classes of the two associations.
QString rtfFileClass();  // "Quillpress RTF-File"
QString txtFileClass();  // "Quillpress TXT-File"

// The subkey of the settings root that holds these settings.
QString settingsSubkey();  // "Settings"

// Reads the stored settings into memory and the controls, in a fixed order.
// Without a Settings key nothing changes. A missing value keeps the option
// as it is and is told through the registry's missing-values handler. A
// value of the wrong type throws the store's error; what was read before it
// stays applied, nothing after it is.
void loadSettings(Registry& registry, SettingsOptions& options, SettingsControls& controls, SettingsHost& host);

// Unticks an association box whose extension no longer belongs to the
// program, in the store or on the desktop (another program may have been made
// the default since).
void checkAssociations(Registry& registry, SettingsControls& controls, SettingsHost& host);

// Lines per Page as typed: a whole number from 1 to 999, else an AppError.
int linesPerPageFromText(const QString& text);

// Which OK: the dialog's own, or the one the registry install runs, which
// leaves the untitled document and the auto-indent option alone.
enum class OkMode { Dialog, Install };

// OK up to closing the dialog, in order: options from the controls, the
// associations and the "Send to" entry, the shell notice, the save. A Lines per
// Page that is not a valid number fails after the formats and the file type are
// taken, before anything is stored or changed. With `shown`, the controls as
// the dialog showed them, an association changes only when its box was
// changed: a default the user gave another program is never taken back.
void applyOk(Registry& registry, SettingsOptions& options, const SettingsControls& controls, SettingsHost& host,
             OkMode mode = OkMode::Dialog, const SettingsControls* shown = nullptr);

// Writes the options and the boxes under Settings; sets the Run and exit commands.
void saveSettings(Registry& registry, SettingsOptions& options, const SettingsControls& controls,
                  SettingsHost& host);

// The controls as the registry install sets them before it runs OK.
void setInstallDefaults(SettingsControls& controls);

}  // namespace qp
