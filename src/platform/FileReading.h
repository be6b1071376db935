#pragma once

#include <QByteArray>
#include <QString>

namespace qp {

// A small file of the program's own or the desktop's, read whole after
// checking what it is: a FIFO, a device or a file past the limit in its place
// is refused at once, so that reading it can neither hang nor fill the memory.
struct SmallFile {
    enum class State { Absent, Read, Refused };
    State state = State::Absent;
    QByteArray bytes;
    QString reason;  // Refused: why, as "it is not a regular file".
};

SmallFile readSmallFile(const QString& path, qint64 maxBytes);

}  // namespace qp
