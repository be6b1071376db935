#include "app/document/Recovery.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QTextDocument>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace qp {

namespace {

const QString InfoSuffix = QStringLiteral(".info");
const QString LockSuffix = QStringLiteral(".lock");
const QString OpenSuffix = QStringLiteral(".open");

// The same file however it was named: links and relative paths resolved.
QString canonicalName(const QString& fileName)
{
    const QString canonical = QFileInfo(fileName).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(fileName).absoluteFilePath() : canonical;
}

bool writeAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

// Whether a running program holds the session's lock.
bool sessionAlive(const QString& lockPath)
{
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

void writeCopy(const QString& base, const DocumentSnapshot& snapshot, const QString& originalName)
{
    const QByteArray bytes = snapshot.encode();
    if (bytes.isEmpty() && snapshot.rich)
        return;  // nothing readable to keep; the last good copy stays
    if (!writeAtomically(base + QLatin1Char('.') + snapshot.extension(), bytes))
        return;
    // A document that changed between rich and plain keeps one copy only.
    QFile::remove(base + (snapshot.rich ? QStringLiteral(".txt") : QStringLiteral(".rtf")));
    QJsonObject info;
    info.insert(QStringLiteral("name"), originalName);
    info.insert(QStringLiteral("rich"), snapshot.rich);
    info.insert(QStringLiteral("written"), QDateTime::currentDateTime().toString(Qt::ISODate));
    writeAtomically(base + InfoSuffix, QJsonDocument(info).toJson());
}

void removeCopy(const QString& base)
{
    for (const QString& suffix : {QStringLiteral(".rtf"), QStringLiteral(".txt"), InfoSuffix})
        QFile::remove(base + suffix);
}

}  // namespace

RecoveryKeeper::RecoveryKeeper(QString folder, int delayMs, Source source, QObject* parent)
    : QObject(parent), m_folder(std::move(folder)), m_source(std::move(source))
{
    m_id = QStringLiteral("%1-%2")
               .arg(QCoreApplication::applicationPid())
               .arg(QDateTime::currentMSecsSinceEpoch(), 0, 16);
    m_timer.setSingleShot(true);
    m_timer.setInterval(delayMs);
    connect(&m_timer, &QTimer::timeout, this, &RecoveryKeeper::takeSnapshot);
    m_pause.setSingleShot(true);
    m_pauseMs = std::min(2000, std::max(1, delayMs / 10));
    connect(&m_pause, &QTimer::timeout, this, &RecoveryKeeper::onPause);
    m_writer = new QObject;
    m_writer->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("recovery writer"));
    m_thread.start(QThread::LowPriority);
}

RecoveryKeeper::~RecoveryKeeper()
{
    m_thread.quit();
    m_thread.wait();
    delete m_writer;
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

int RecoveryKeeper::delayFromEnvironment()
{
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue("QUILLPRESS_RECOVERY_DELAY_MS", &ok);
    return ok && ms > 0 ? ms : 20000;
}

QString RecoveryKeeper::basePath() const
{
    return QDir(m_folder).filePath(m_id);
}

void RecoveryKeeper::setEnabled(bool on)
{
    if (on == m_enabled)
        return;
    m_enabled = on;
    if (!on) {
        // Switched off: nothing of this document is kept from now on.
        documentClean();
    } else if (m_source.unsaved && m_source.unsaved()) {
        documentChanged();
    }
}

void RecoveryKeeper::documentChanged()
{
    if (!m_enabled)
        return;
    m_dirty = true;
    // The copy waits for a pause, so that its cost never lands on a keystroke;
    // but steady typing is copied every delay all the same. A key only notes
    // the time: restarting a timer on every key would cost more.
    m_sinceChange.start();
    if (!m_pause.isActive())
        m_pause.start(m_pauseMs);
    if (!m_timer.isActive())
        m_timer.start();
}

void RecoveryKeeper::documentClean()
{
    m_dirty = false;
    m_timer.stop();
    m_pause.stop();
    {
        // A copy not yet written is of changes that are no longer unsaved.
        QMutexLocker lock(&m_pendingLock);
        m_pending.reset();
    }
    if (m_lockFd < 0)
        return;  // nothing was ever written
    const QString base = basePath();
    QMetaObject::invokeMethod(m_writer, [base] { removeCopy(base); });
}

bool RecoveryKeeper::lockSession()
{
    if (m_lockFd >= 0)
        return true;
    if (!QDir().mkpath(m_folder))
        return false;
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const int fd = ::open(QFile::encodeName(basePath() + LockSuffix).constData(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_lockFd = fd;
    return true;
}

void RecoveryKeeper::onPause()
{
    const qint64 quiet = m_sinceChange.elapsed();
    if (quiet < m_pauseMs)
        m_pause.start(int(m_pauseMs - quiet));
    else
        takeSnapshot();
}

void RecoveryKeeper::takeSnapshot()
{
    m_timer.stop();
    m_pause.stop();
    if (!m_enabled || !m_dirty)
        return;
    m_dirty = false;
    if (!m_source.unsaved() || !lockSession())
        return;
    DocumentSnapshot snapshot = m_source.snapshot();
    const QString base = basePath();
    const QString name = m_source.fileName();
    const QString path = base + QLatin1Char('.') + snapshot.extension();
    // The snapshot waits in one place, where a newer one replaces it: while
    // the writer is busy with a long document, snapshots taken meanwhile do
    // not queue up, and only the newest is written. Each is written after
    // every removal asked for before it was taken.
    const quint64 number = ++m_taken;
    {
        QMutexLocker lock(&m_pendingLock);
        m_pending = std::make_shared<const PendingCopy>(PendingCopy{number, std::move(snapshot), base, name});
    }
    QMetaObject::invokeMethod(m_writer, [this, number, path] {
        std::shared_ptr<const PendingCopy> copy;
        {
            QMutexLocker lock(&m_pendingLock);
            if (!m_pending || m_pending->number != number)
                return;  // replaced by a newer one, written by its own turn
            copy = std::move(m_pending);
            m_pending.reset();
        }
        writeCopy(copy->base, copy->snapshot, copy->name);
        QMetaObject::invokeMethod(this, [this, path] { Q_EMIT copyWritten(path); });
    });
}

void RecoveryKeeper::writeNow()
{
    takeSnapshot();
    flush();
}

void RecoveryKeeper::flush()
{
    QMetaObject::invokeMethod(m_writer, [] {}, Qt::BlockingQueuedConnection);
}

void RecoveryKeeper::setOpenFile(const QString& fileName)
{
    if (fileName.isEmpty()) {
        if (m_lockFd >= 0)
            QFile::remove(basePath() + OpenSuffix);
        return;
    }
    if (lockSession())
        writeAtomically(basePath() + OpenSuffix, canonicalName(fileName).toUtf8());
}

bool RecoveryKeeper::openElsewhere(const QString& fileName) const
{
    const QDir dir(m_folder);
    const QByteArray wanted = canonicalName(fileName).toUtf8();
    for (const QFileInfo& open : dir.entryInfoList({QStringLiteral("*") + OpenSuffix}, QDir::Files)) {
        const QString id = open.completeBaseName();
        if (id == m_id || !sessionAlive(dir.filePath(id + LockSuffix)))
            continue;
        QFile file(open.filePath());
        if (file.open(QIODevice::ReadOnly) && file.readAll() == wanted)
            return true;
    }
    return false;
}

void RecoveryKeeper::finish()
{
    documentClean();
    flush();
    if (m_lockFd < 0)
        return;
    QFile::remove(basePath() + OpenSuffix);
    QFile::remove(basePath() + LockSuffix);
    ::close(m_lockFd);
    m_lockFd = -1;
}

void RecoveryKeeper::adopt(const RecoveryCopy& copy)
{
    flush();
    if (!lockSession())
        return;
    const QString base = basePath();
    const QString target = base + (copy.rich ? QStringLiteral(".rtf") : QStringLiteral(".txt"));
    QFile::remove(target);
    if (!QFile::rename(copy.copyPath, target))
        return;
    const QString oldBase = QDir(m_folder).filePath(copy.id);
    QFile::remove(base + InfoSuffix);
    QFile::rename(oldBase + InfoSuffix, base + InfoSuffix);
    QFile::remove(oldBase + LockSuffix);
}

QList<RecoveryCopy> RecoveryKeeper::leftBehind(const QString& folder)
{
    QList<RecoveryCopy> copies;
    const QDir dir(folder);
    if (!dir.exists())
        return copies;
    QStringList seen;
    for (const QFileInfo& file : dir.entryInfoList({QStringLiteral("*.rtf"), QStringLiteral("*.txt")}, QDir::Files)) {
        const QString id = file.completeBaseName();
        if (seen.contains(id) || sessionAlive(dir.filePath(id + LockSuffix)))
            continue;
        seen << id;
        RecoveryCopy copy;
        copy.id = id;
        copy.rich = file.suffix() == QLatin1String("rtf");
        copy.copyPath = file.filePath();
        copy.written = file.lastModified();
        // The description is written after the copy; a copy without one is
        // still offered, as an unnamed document.
        QFile infoFile(dir.filePath(id + InfoSuffix));
        if (infoFile.open(QIODevice::ReadOnly)) {
            const QJsonObject info = QJsonDocument::fromJson(infoFile.readAll()).object();
            copy.originalName = info.value(QStringLiteral("name")).toString();
            const QDateTime written = QDateTime::fromString(info.value(QStringLiteral("written")).toString(), Qt::ISODate);
            if (written.isValid())
                copy.written = written;
        }
        copies << copy;
    }
    // Locks and open-file notes of ended programs are no one's data.
    for (const QFileInfo& note : dir.entryInfoList({QStringLiteral("*") + OpenSuffix}, QDir::Files)) {
        if (!sessionAlive(dir.filePath(note.completeBaseName() + LockSuffix)))
            QFile::remove(note.filePath());
    }
    for (const QFileInfo& lock : dir.entryInfoList({QStringLiteral("*") + LockSuffix}, QDir::Files)) {
        const QString id = lock.completeBaseName();
        if (!seen.contains(id) && !QFileInfo::exists(dir.filePath(id + QStringLiteral(".rtf")))
            && !QFileInfo::exists(dir.filePath(id + QStringLiteral(".txt"))) && !sessionAlive(lock.filePath()))
            QFile::remove(lock.filePath());
    }
    std::sort(copies.begin(), copies.end(), [](const RecoveryCopy& a, const RecoveryCopy& b) { return a.written > b.written; });
    return copies;
}

void RecoveryKeeper::discard(const RecoveryCopy& copy)
{
    const QString base = QDir(QFileInfo(copy.copyPath).absolutePath()).filePath(copy.id);
    QFile::remove(copy.copyPath);
    QFile::remove(base + InfoSuffix);
    QFile::remove(base + LockSuffix);
}

}  // namespace qp
