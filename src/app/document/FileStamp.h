#pragma once

#include <QByteArray>
#include <QString>

namespace qp {

// What the program last knew of a document's file on disk: enough to tell,
// later, whether another program has changed it since.
class FileStamp {
public:
    enum class Change { None, Changed, Missing };

    FileStamp() = default;
    // The file as it is now, with the hash of `contents`, the bytes the program
    // read from it or wrote to it. An absent file gives an empty stamp.
    static FileStamp of(const QString& path, const QByteArray& contents);

    bool isEmpty() const { return !m_known; }

    // Whether the file at `path` still holds what this stamp describes. Size,
    // modification time and inode decide when they all match; otherwise the
    // contents are hashed, so a file written back with the same bytes, or
    // replaced by an identical one, is no change. `current`, when given and
    // there is no change, receives the stamp of the file as it is now.
    Change compare(const QString& path, FileStamp* current = nullptr) const;

private:
    struct Status {
        bool exists = false;
        qint64 size = 0;
        qint64 mtimeNs = 0;
        quint64 inode = 0;
        quint64 device = 0;
    };
    static Status statusOf(const QString& path);
    static QByteArray hashOf(const QByteArray& bytes);

    bool m_known = false;
    Status m_status;
    QByteArray m_hash;
};

}  // namespace qp
