// Saving a document's file: whole or not at all, and the file stays the file
// it was (its links, its group, its permissions).
#include "platform/FileSaving.h"

#include "support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qp;
using qp::test::ScopedEnv;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

struct stat statOf(const QString& path)
{
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

class FileSaving : public ::testing::Test {
protected:
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QStringList spares() const
    {
        return QDir(m_dir.filePath("state/Quillpress/saving")).entryList(QDir::Files | QDir::Hidden);
    }
    bool save(const QString& file, const QByteArray& bytes)
    {
        m_error.clear();
        return saveFileSafely(file, bytes, &m_error);
    }

    QTemporaryDir m_dir;
    ScopedEnv m_state{"XDG_STATE_HOME", QFile::encodeName(m_dir.filePath("state"))};
    QString m_error;
};

TEST_F(FileSaving, ANewFileIsWrittenWhole)
{
    ASSERT_TRUE(save(path("new.txt"), "words")) << qPrintable(m_error);
    EXPECT_EQ(readAll(path("new.txt")), QByteArray("words"));
}

TEST_F(FileSaving, AReplacedFileKeepsItsPermissionsAndGroup)
{
    writeAll(path("a.txt"), "old text that is longer");
    ASSERT_EQ(::chmod(QFile::encodeName(path("a.txt")).constData(), 0640), 0);
    // Only root may give a file a group it is not in; others keep their own.
    const gid_t group = ::geteuid() == 0 ? gid_t(100) : ::getegid();
    ASSERT_EQ(::chown(QFile::encodeName(path("a.txt")).constData(), uid_t(-1), group), 0);
    ASSERT_TRUE(save(path("a.txt"), "new")) << qPrintable(m_error);
    EXPECT_EQ(readAll(path("a.txt")), QByteArray("new"));
    EXPECT_EQ(statOf(path("a.txt")).st_mode & 07777, 0640u);
    EXPECT_EQ(statOf(path("a.txt")).st_gid, group);
}

TEST_F(FileSaving, AHardLinkedFileIsWrittenInPlaceAndEveryNameSeesTheNewText)
{
    writeAll(path("a.txt"), "old text that is longer than the new");
    ASSERT_EQ(::link(QFile::encodeName(path("a.txt")).constData(), QFile::encodeName(path("b.txt")).constData()), 0);
    const ino_t inode = statOf(path("a.txt")).st_ino;
    ASSERT_TRUE(save(path("a.txt"), "new text")) << qPrintable(m_error);
    EXPECT_EQ(readAll(path("a.txt")), QByteArray("new text"));
    EXPECT_EQ(readAll(path("b.txt")), QByteArray("new text"));
    EXPECT_EQ(statOf(path("a.txt")).st_ino, inode);
    EXPECT_EQ(statOf(path("a.txt")).st_nlink, 2u);
    EXPECT_TRUE(spares().isEmpty()) << "the copy of the old text goes once the new one is whole";
}

TEST_F(FileSaving, AWritableFileInAFolderClosedToNewFilesIsWrittenInPlace)
{
    // The folder is root's and closed; the file is the user's. Root may make
    // files anywhere, so the save runs as another user in a child process.
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to play both users";
    const uid_t user = 65534;
    QDir().mkpath(path("closed"));
    writeAll(path("closed/a.txt"), "old text that is longer than the new");
    ASSERT_EQ(::chown(QFile::encodeName(path("closed/a.txt")).constData(), user, gid_t(-1)), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path("closed")).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
    QDir().mkpath(path("state"));
    ASSERT_EQ(::chown(QFile::encodeName(path("state")).constData(), user, gid_t(-1)), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QString error;
        const bool ok = ::setgid(user) == 0 && ::setuid(user) == 0 && saveFileSafely(path("closed/a.txt"), "new text", &error);
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(readAll(path("closed/a.txt")), QByteArray("new text"));
    EXPECT_TRUE(spares().isEmpty());
}

TEST_F(FileSaving, ALinkStaysALinkAndItsFileGetsTheText)
{
    QDir().mkpath(path("real"));
    writeAll(path("real/doc.txt"), "old");
    ASSERT_TRUE(QFile::link(path("real/doc.txt"), path("link.txt")));
    ASSERT_TRUE(save(path("link.txt"), "new")) << qPrintable(m_error);
    EXPECT_TRUE(QFileInfo(path("link.txt")).isSymLink());
    EXPECT_EQ(readAll(path("real/doc.txt")), QByteArray("new"));
}

TEST_F(FileSaving, AFileThatCannotBeMadeFailsWithTheReasonAndLeavesNothing)
{
    EXPECT_FALSE(save(path("missing/folder/a.txt"), "words"));
    EXPECT_FALSE(m_error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path("missing")));
}

}  // namespace
