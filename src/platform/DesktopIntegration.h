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
// actions for rich text and plain text. Files that cannot be written throw AppError.
void writeDesktopEntry(const XdgFolders& folders, const QString& programPath);
void removeDesktopEntry(const XdgFolders& folders);

// Makes the program the default for a MIME type in mimeapps.list. The entry it
// replaces is kept once in quillpress/mimeapps-backup.list and never overwritten.
void makeDefaultHandler(const XdgFolders& folders, const QString& mimeType);
// Puts the backed-up default back, but only while the program still is the default.
void restoreDefaultHandler(const XdgFolders& folders, const QString& mimeType);

// "Send to Quillpress": an entry offered for every file type in the file manager's "Open With".
void writeSendToEntry(const XdgFolders& folders, const QString& programPath);
void removeSendToEntry(const XdgFolders& folders);

// The command line a desktop entry starts with no files: its Exec split as
// the entry format quotes it, field codes dropped ("%%" is a percent sign).
// Empty when the file has no Exec in its [Desktop Entry] group or cannot be read.
QStringList desktopEntryCommand(const QString& path);

QString desktopEntryName();  // "quillpress.desktop"

}  // namespace qp
