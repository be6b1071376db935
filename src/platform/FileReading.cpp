#include "platform/FileReading.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qp {

namespace {

QString tooLarge(qint64 maxBytes)
{
    return QStringLiteral("it is larger than %1 MB").arg(maxBytes / (1024 * 1024));
}

}  // namespace

SmallFile readSmallFile(const QString& path, qint64 maxBytes)
{
    SmallFile result;
    // Without O_NONBLOCK a FIFO in the file's place would hang the program here.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
            result.state = SmallFile::State::Refused;
            result.reason = QString::fromLocal8Bit(std::strerror(error));
        }
        return result;
    }
    QFile file;
    file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    result.state = SmallFile::State::Refused;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        result.reason = QString::fromLocal8Bit(std::strerror(errno));
    } else if (!S_ISREG(info.st_mode)) {
        result.reason = QStringLiteral("it is not a regular file");
    } else if (info.st_size > maxBytes) {
        result.reason = tooLarge(maxBytes);
    } else {
        // Read in pieces, so that only what the file holds is allocated and
        // a file that grows past the limit while it is read is refused.
        result.bytes.reserve(qsizetype(info.st_size));
        char piece[64 * 1024];
        qint64 got = 0;
        while ((got = file.read(piece, sizeof piece)) > 0 && result.bytes.size() + got <= maxBytes)
            result.bytes.append(piece, qsizetype(got));
        if (got < 0)
            result.reason = file.errorString();
        else if (got > 0)
            result.reason = tooLarge(maxBytes);
        else
            result.state = SmallFile::State::Read;
    }
    if (result.state != SmallFile::State::Read)
        result.bytes.clear();
    return result;
}

}  // namespace qp
