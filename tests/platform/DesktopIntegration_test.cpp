#include "platform/DesktopIntegration.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace qp {
namespace {

class DesktopIntegration : public ::testing::Test {
protected:
    QTemporaryDir home;
    XdgFolders folders{home.filePath("share/applications"), home.filePath("config")};

    QByteArray mimeApps() const
    {
        QFile file(QDir(folders.config).filePath("mimeapps.list"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
    }
    void setMimeApps(const QByteArray& text) const
    {
        QDir().mkpath(folders.config);
        QFile file(QDir(folders.config).filePath("mimeapps.list"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QByteArray entry(const char* name) const
    {
        QFile file(QDir(folders.applications).filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
    }
};

TEST_F(DesktopIntegration, DefaultHandlerBackupAndRestoreAsTheAssociationsDo)
{
    struct Case {
        const char* name;
        QByteArray before;
        int associations;        // how many times the program associates
        QByteArray otherTakesOver;  // written between association and removal; empty: nobody
        QByteArray associated;   // mimeapps.list after the associations
        QByteArray after;        // after the removal
    };
    const QByteArray other = "[Added Associations]\ntext/rtf=writer.desktop;\n\n[Default Applications]\n"
                             "text/rtf=writer.desktop;\ntext/html=browser.desktop;\n";
    const Case cases[] = {
        {"another program owns rtf", other, 1, {},
         "[Added Associations]\ntext/rtf=writer.desktop;\n\n[Default Applications]\n"
         "text/rtf=quillpress.desktop;\ntext/html=browser.desktop;\n",
         other},
        {"associating twice keeps the first backup", other, 2, {},
         "[Added Associations]\ntext/rtf=writer.desktop;\n\n[Default Applications]\n"
         "text/rtf=quillpress.desktop;\ntext/html=browser.desktop;\n",
         other},
        {"no file and no default before", "<absent>", 1, {}, "[Default Applications]\ntext/rtf=quillpress.desktop;\n",
         "[Default Applications]\n"},
        {"another program took it over since", other, 1, "[Default Applications]\ntext/rtf=other.desktop;\n",
         "[Added Associations]\ntext/rtf=writer.desktop;\n\n[Default Applications]\n"
         "text/rtf=quillpress.desktop;\ntext/html=browser.desktop;\n",
         "[Default Applications]\ntext/rtf=other.desktop;\n"},
    };
    for (const Case& c : cases) {
        QDir(home.path()).removeRecursively();
        QDir().mkpath(home.path());
        if (c.before != "<absent>")
            setMimeApps(c.before);
        for (int i = 0; i < c.associations; ++i)
            makeDefaultHandler(folders, "text/rtf");
        EXPECT_EQ(mimeApps(), c.associated) << c.name;
        if (!c.otherTakesOver.isEmpty())
            setMimeApps(c.otherTakesOver);
        restoreDefaultHandler(folders, "text/rtf");
        EXPECT_EQ(mimeApps(), c.after) << c.name;
    }
}

TEST_F(DesktopIntegration, EntriesCarryTheQuotedProgramAndAreRemoved)
{
    writeDesktopEntry(folders, "/opt/my apps/quillpress");
    writeSendToEntry(folders, "/opt/my apps/quillpress");
    const QByteArray main = entry("quillpress.desktop");
    EXPECT_TRUE(main.contains("Exec=\"/opt/my apps/quillpress\" %f\n")) << main.constData();
    EXPECT_TRUE(main.contains("MimeType=text/rtf;text/plain;\n"));
    EXPECT_TRUE(main.contains("[Desktop Action Print]\nName=Print\nExec=\"/opt/my apps/quillpress\" %f -p\n"));
    EXPECT_TRUE(entry("quillpress-sendto.desktop").contains("MimeType=application/octet-stream;\n"));
    EXPECT_TRUE(main.contains("Icon=quillpress\n"));
    // The icon the entry names stands in the user's icon theme, as the program ships it.
    const QString icon = home.filePath("share/icons/hicolor/scalable/apps/quillpress.svg");
    QFile shipped(QStringLiteral(QP_TEST_DATA_DIR "/../../data/icons/quillpress.svg"));
    QFile written(icon);
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), shipped.readAll());

    removeDesktopEntry(folders);
    EXPECT_FALSE(QFile::exists(icon));
    removeSendToEntry(folders);
    EXPECT_EQ(entry("quillpress.desktop"), "<absent>");
    EXPECT_EQ(entry("quillpress-sendto.desktop"), "<absent>");
}

}  // namespace
}  // namespace qp

namespace qp {
namespace {

TEST_F(DesktopIntegration, ToolEntryCommandFollowsTheExecRules)
{
    struct Case {
        const char* file;
        QStringList command;
    };
    const Case cases[] = {
        {"[Desktop Entry]\nName=Spell\nExec=\"/opt/my tools/spell\" --check %F\n", {"/opt/my tools/spell", "--check"}},
        {"[Desktop Entry]\nExec=printf 100%%\n[Desktop Action X]\nExec=other\n", {"printf", "100%"}},
        {"[Desktop Action X]\nExec=other\n", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        const QString path = home.filePath("Tool.DESKTOP");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(c.file);
        file.close();
        EXPECT_EQ(desktopEntryCommand(path), c.command) << c.file;
    }
}

}  // namespace
}  // namespace qp
