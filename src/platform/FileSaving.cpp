#include "platform/FileSaving.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qp {

namespace {

QString systemReason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

// The file's own bytes replaced where they are: the inode, its links, owner
// and permissions stay.
QString spareFolderPath()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Quillpress/saving");
}

bool writeInPlace(const QString& target, const QByteArray& bytes, QString* error)
{
    const QString spareFolder = spareFolderPath();
    QFile old(target);
    if (!old.open(QIODevice::ReadOnly)) {
        *error = old.errorString();
        return false;
    }
    const QByteArray before = old.readAll();
    old.close();

    QDir().mkpath(spareFolder);
    QTemporaryFile spare(QDir(spareFolder).filePath(QFileInfo(target).fileName() + QStringLiteral(".XXXXXX.before-save")));
    if (!spare.open() || spare.write(before) != before.size() || !spare.flush() || ::fsync(spare.handle()) != 0) {
        *error = QStringLiteral("no copy of the file could be kept while it is written: %1").arg(spare.errorString());
        return false;
    }

    const int fd = ::open(QFile::encodeName(target).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        *error = systemReason(errno);
        return false;
    }
    bool ok = writeAll(fd, bytes) && ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
    if (!ok) {
        *error = systemReason(errno);
        // Put the old bytes back; should that fail too, the copy stays where it is.
        const bool restored = ::lseek(fd, 0, SEEK_SET) == 0 && writeAll(fd, before)
                              && ::ftruncate(fd, off_t(before.size())) == 0 && ::fsync(fd) == 0;
        if (!restored) {
            spare.setAutoRemove(false);
            *error += QStringLiteral("; the file as it was is kept in %1").arg(QDir::toNativeSeparators(spare.fileName()));
        }
    }
    ::close(fd);
    return ok;
}

}  // namespace

bool saveFileSafely(const QString& path, const QByteArray& bytes, QString* error)
{
    // A link is followed, so that the file it names is the one written.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.symLinkTarget() : path;
    struct stat existing {};
    const bool exists = ::stat(QFile::encodeName(target).constData(), &existing) == 0 && S_ISREG(existing.st_mode);
    const QString folder = QFileInfo(target).absolutePath();
    const bool folderWritable = ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
    if (exists && (existing.st_nlink > 1 || !folderWritable) && ::access(QFile::encodeName(target).constData(), W_OK) == 0)
        return writeInPlace(target, bytes, error);

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    // The new file takes the old one's group, as an edit in place would keep it.
    if (exists && ::fchown(file.handle(), uid_t(-1), existing.st_gid) != 0) {
        // Not a member of that group: the file gets the user's, as any new file.
    }
    if (file.write(bytes) != bytes.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace qp
