#pragma once

#include <QDateTime>
#include <QString>

namespace qp {

// One entry of the desktop's shared list of recently used files.
struct RecentFileEntry {
    QString filePath;  // absolute
    QString mimeType;
    QString applicationName;
    QString exec;  // the command line that opens it, "%u" for the file
    QDateTime when;
};

// Records the entry in a recently-used.xbel file as the desktops' bookmark
// format has it: a file already listed gets new times and its count for this
// program goes up; the other entries are kept exactly. A file that cannot be
// read or parsed is left as it is (false); the write is atomic.
bool addToDesktopRecentFiles(const QString& xbelPath, const RecentFileEntry& entry);

// The per-user list the desktop's file choosers and launchers read.
QString desktopRecentFilesPath();

}  // namespace qp
