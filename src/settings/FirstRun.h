#pragma once

#include <QString>
#include <QStringList>

namespace qp {

class MessageService;
class Registry;
class SettingsHost;

// The version this program writes when it installs itself.
QString thisVersion();  // "2.03"
// `Version` under Miscellaneous; empty when absent.
QString installedVersion(Registry& registry);
// True when the store holds no version or another one: the Setup window is due.
bool setupNeeded(Registry& registry);

// The association of an extension (".rtf") with a file-type class under
// HKEY_CLASSES_ROOT. What was there before is moved to "<key>_backup" once;
// an existing backup is never overwritten.
void associate(Registry& registry, const QString& extension, const QString& fileClass, const QString& programPath);
// Takes the association away and moves the backups back, but only while the
// extension still points at one of this program's classes.
void removeAssociation(Registry& registry, const QString& extension, const QString& fileClass);
// The MIME types the desktop knows an associated extension by: "text/plain"
// for ".txt"; for ".rtf" the shared MIME database's "application/rtf" and
// its older name "text/rtf", which programs still look up.
QStringList mimeTypesOfExtension(const QString& extension);

// The "Send to Quillpress" verb on every file's context menu.
void addSendTo(Registry& registry, const QString& programPath);
void removeSendTo(Registry& registry);

// The steps of the registry install that belong to other windows, and what
// the uninstall needs from the main window.
class SetupHost {
public:
    virtual ~SetupHost() = default;
    // The Settings dialog's boxes, file type and Lines per Page as the install sets them.
    virtual void setInstallSettings() = 0;
    // The margins and header switch of Print Options, taken into use.
    virtual void setInstallPrintOptions() = 0;
    virtual void reloadAutoWords() = 0;
    // Text Specifications' name, size, style, alignment and tab size.
    virtual void setInstallTextSpecifications() = 0;
    virtual void savePrintOptions() = 0;
    // The Settings dialog's OK as the install runs it, ending with the save.
    virtual void applyInstallSettings() = 0;
    // Text Specifications' Default button, without its message.
    virtual void saveDefaultFormat() = 0;
    // The save query of the current document; its Cancel throws and so ends the caller.
    virtual void querySave() = 0;
    // The desktop's last trace of the program once the associations are gone.
    virtual void removeDesktopIntegration() = 0;
    // Ends the program without its close sequence, once start-up or the current command is done.
    virtual void endProgram() = 0;
};

// The nine install steps in order; a store failure ends it at that step.
// `Version` is written once every other step has gone through, so that an
// install that failed half-way is offered again at the next start.
void registryInstall(Registry& registry, SetupHost& host, MessageService& messages);

// Removes the settings root, both associations and the "Send to" entry; the
// integration goes even when the root cannot be deleted (that error follows).
// Hive files left with no key are deleted, and the settings folder with them
// when nothing else is in it. Not silent: the save query comes first, and its
// Cancel ends the uninstall before anything is removed; the message follows.
void registryUninstall(Registry& registry, SettingsHost& settings, SetupHost& host, MessageService& messages,
                       bool silent);

}  // namespace qp
