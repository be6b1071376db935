// The desktop's shared recently-used list: entries added and updated in the
// bookmark format other programs read, and a damaged list left alone.
#include "platform/DesktopRecentFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace qp;

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

RecentFileEntry entry(const QString& path, int minute)
{
    return {path, QStringLiteral("text/plain"), QStringLiteral("Quillpress"), QStringLiteral("'quillpress %u'"),
            QDateTime(QDate(2026, 12, 10), QTime(9, minute), Qt::UTC)};
}

TEST(DesktopRecentFiles, StartsAListWithTheEntry)
{
    QTemporaryDir dir;
    const QString xbel = dir.filePath("share/recently-used.xbel");
    ASSERT_TRUE(addToDesktopRecentFiles(xbel, entry("/home/ann/my novel.txt", 5)));
    const QByteArray text = readAll(xbel);
    EXPECT_TRUE(text.contains("<xbel version=\"1.0\""));
    EXPECT_TRUE(text.contains("xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\""));
    EXPECT_TRUE(text.contains("href=\"file:///home/ann/my%20novel.txt\""));
    EXPECT_TRUE(text.contains("<mime:mime-type type=\"text/plain\"/>"));
    EXPECT_TRUE(text.contains("<bookmark:application name=\"Quillpress\" exec=\"'quillpress %u'\" "
                              "modified=\"2026-12-10T09:05:00.000000Z\" count=\"1\"/>"));
}

TEST(DesktopRecentFiles, AKnownFileIsUpdatedAndTheOthersKept)
{
    QTemporaryDir dir;
    const QString xbel = dir.filePath("recently-used.xbel");
    writeAll(xbel, R"(<?xml version="1.0" encoding="UTF-8"?>
<xbel version="1.0"
      xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks"
      xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info"
>
  <bookmark href="file:///tmp/other.png" added="2026-01-01T00:00:00.000000Z" modified="2026-01-01T00:00:00.000000Z" visited="2026-01-01T00:00:00.000000Z">
    <info>
      <metadata owner="http://freedesktop.org">
        <mime:mime-type type="image/png"/>
        <bookmark:applications>
          <bookmark:application name="Image Viewer" exec="&apos;viewer %u&apos;" modified="2026-01-01T00:00:00.000000Z" count="4"/>
        </bookmark:applications>
      </metadata>
    </info>
  </bookmark>
  <bookmark href="file:///tmp/a.txt" added="2026-02-02T00:00:00.000000Z" modified="2026-02-02T00:00:00.000000Z" visited="2026-02-02T00:00:00.000000Z">
    <info>
      <metadata owner="http://freedesktop.org">
        <mime:mime-type type="text/plain"/>
        <bookmark:applications>
          <bookmark:application name="gedit" exec="&apos;gedit %u&apos;" modified="2026-02-02T00:00:00.000000Z" count="2"/>
        </bookmark:applications>
      </metadata>
    </info>
  </bookmark>
</xbel>
)");
    ASSERT_TRUE(addToDesktopRecentFiles(xbel, entry("/tmp/a.txt", 7)));
    ASSERT_TRUE(addToDesktopRecentFiles(xbel, entry("/tmp/a.txt", 8)));
    const QByteArray text = readAll(xbel);
    EXPECT_EQ(text.count("<bookmark href="), 2);
    EXPECT_TRUE(text.contains("name=\"Image Viewer\" exec=\"'viewer %u'\" modified=\"2026-01-01T00:00:00.000000Z\" "
                              "count=\"4\""));
    EXPECT_TRUE(text.contains("added=\"2026-02-02T00:00:00.000000Z\" modified=\"2026-12-10T09:08:00.000000Z\" "
                              "visited=\"2026-12-10T09:08:00.000000Z\""));
    EXPECT_TRUE(text.contains("name=\"gedit\""));
    EXPECT_TRUE(text.contains("<bookmark:application name=\"Quillpress\" exec=\"'quillpress %u'\" "
                              "modified=\"2026-12-10T09:08:00.000000Z\" count=\"2\"/>"));
}

TEST(DesktopRecentFiles, ADamagedListIsLeftAsItIs)
{
    QTemporaryDir dir;
    const QString xbel = dir.filePath("recently-used.xbel");
    const QByteArray damaged = "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\"><bookmark href=\"file:///x\">";
    writeAll(xbel, damaged);
    EXPECT_FALSE(addToDesktopRecentFiles(xbel, entry("/tmp/a.txt", 1)));
    EXPECT_EQ(readAll(xbel), damaged);
}

TEST(DesktopRecentFiles, WhatIsNoListIsLeftAloneAtOnce)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath("fifo.xbel");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString device = dir.filePath("device.xbel");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    const QString huge = dir.filePath("huge.xbel");
    {
        QFile file(huge);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(qint64(1) << 30));  // sparse
    }
    for (const QString& xbel : {fifo, device, huge}) {
        const QFileInfo before(xbel);
        EXPECT_FALSE(addToDesktopRecentFiles(xbel, entry("/tmp/a.txt", 1))) << qPrintable(xbel);
        EXPECT_EQ(QFileInfo(xbel).size(), before.size()) << qPrintable(xbel);
        EXPECT_EQ(QFileInfo(xbel).isSymLink(), before.isSymLink()) << qPrintable(xbel);
    }
}

}  // namespace
