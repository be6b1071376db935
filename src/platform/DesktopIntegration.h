#pragma once

#include <QString>
#include <QStringList>

namespace qp {

// Where the desktop's per-user files live: $XDG_DATA_HOME/applications for
// desktop entries and $XDG_CONFIG_HOME for mimeapps.list.
struct XdgFolders {
    QString applications;
    QString config;
    static XdgFolders fromEnvironment();
};

// The program's own desktop entry, quillpress.desktop, with Open and Print
// actions for rich text and plain text, and its icon in the user's icon
// theme. Files that cannot be written throw AppError.
void writeDesktopEntry(const XdgFolders& folders, const QString& programPath);
void removeDesktopEntry(const XdgFolders& folders);
// The entry's text; the program path is quoted only where the entry format needs it.
QString desktopEntryText(const QString& programPath);

// Makes the program the default for a MIME type in mimeapps.list. The entry it
// replaces is kept once in Quillpress/mimeapps-backup.list and never overwritten.
// Lines of mimeapps.list the program does not own keep their bytes.
void makeDefaultHandler(const XdgFolders& folders, const QString& mimeType);
// Puts the backed-up default back, but only while the program still is the default.
void restoreDefaultHandler(const XdgFolders& folders, const QString& mimeType);
// True when mimeapps.list names the program first for the type.
bool isDefaultHandler(const XdgFolders& folders, const QString& mimeType);
// The backups of the defaults, once nothing will be restored from them any more.
void removeHandlerBackups(const XdgFolders& folders);

// "Send to Quillpress": an entry offered in the file manager's "Open With".
void writeSendToEntry(const XdgFolders& folders, const QString& programPath);
void removeSendToEntry(const XdgFolders& folders);
QString sendToEntryText(const QString& programPath);

// The desktop's cache of which entries open which types, rebuilt by
// update-desktop-database. When the applications folder holds no entry any
// more, an empty cache file is all that would be left: it is removed and
// false returned (nothing to rebuild).
bool desktopDatabaseNeeded(const XdgFolders& folders);

QString desktopEntryName();  // "quillpress.desktop"

}  // namespace qp
