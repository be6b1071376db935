#include "app/document/FileStamp.h"

#include <QCryptographicHash>
#include <QFile>

#include <sys/stat.h>

namespace qp {

FileStamp::Status FileStamp::statusOf(const QString& path)
{
    Status status;
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return status;
    status.exists = true;
    status.size = info.st_size;
    status.mtimeNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    status.inode = info.st_ino;
    status.device = info.st_dev;
    return status;
}

// Only to tell one version of a file from another, never against an adversary:
// the fastest of Qt's hashes will do.
QByteArray FileStamp::hashOf(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Md5);
}

FileStamp FileStamp::of(const QString& path, const QByteArray& contents)
{
    FileStamp stamp;
    stamp.m_status = statusOf(path);
    if (!stamp.m_status.exists)
        return stamp;
    stamp.m_known = true;
    stamp.m_hash = hashOf(contents);
    return stamp;
}

FileStamp::Change FileStamp::compare(const QString& path, FileStamp* current) const
{
    const Status now = statusOf(path);
    if (!now.exists)
        return Change::Missing;
    const Status& was = m_status;
    if (now.size == was.size && now.mtimeNs == was.mtimeNs && now.inode == was.inode && now.device == was.device) {
        if (current)
            *current = *this;
        return Change::None;
    }
    if (now.size != was.size)
        return Change::Changed;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Change::Changed;  // it cannot be what was read when it cannot be read at all
    const QByteArray bytes = file.readAll();
    if (hashOf(bytes) != m_hash)
        return Change::Changed;
    if (current)
        *current = of(path, bytes);
    return Change::None;
}

}  // namespace qp
