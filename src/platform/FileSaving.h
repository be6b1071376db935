#pragma once

#include <QByteArray>
#include <QString>

namespace qp {

// Writes a document's bytes to its file so that the file is never left half
// written. Usually a new file takes the old one's place (QSaveFile) and gets
// its group owner back. A file with other hard links, or in a folder where no
// new file can be made though the file itself may be written, is written in
// place instead, with a copy of the old bytes kept in
// $XDG_STATE_HOME/Quillpress/saving until the new ones are whole; should the
// write fail, the old bytes go back. On failure returns false with the
// system's reason in `error`.
bool saveFileSafely(const QString& path, const QByteArray& bytes, QString* error);

}  // namespace qp
