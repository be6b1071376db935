#include "platform/DesktopIntegration.h"

#include "platform/DesktopEntry.h"
#include "platform/ShellService.h"
#include "support/ScopedEnv.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace qp {
namespace {

class DesktopIntegration : public ::testing::Test {
protected:
    QTemporaryDir home;
    XdgFolders folders{home.filePath(".local/share/applications"), home.filePath(".config")};

    QByteArray mimeApps() const { return read(QDir(folders.config).filePath("mimeapps.list")); }
    void setMimeApps(const QByteArray& text) const { write(QDir(folders.config).filePath("mimeapps.list"), text); }
    QByteArray entry(const char* name) const { return read(QDir(folders.applications).filePath(name)); }

    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<absent>");
    }
    static void write(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    // Every file under the private HOME, relative to it.
    QStringList filesAtHome() const
    {
        QStringList files;
        QDirIterator it(home.path(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(home.path()).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    // The xdg-utils tools see only the private HOME and the system's data.
    QProcessEnvironment privateDesktop() const
    {
        QProcessEnvironment env;
        env.insert("PATH", qEnvironmentVariable("PATH"));
        env.insert("HOME", home.path());
        env.insert("XDG_CONFIG_HOME", folders.config);
        env.insert("XDG_DATA_HOME", home.filePath(".local/share"));
        env.insert("XDG_DATA_DIRS", "/usr/share");
        // xdg-open opens files only with a display named; no desktop is
        // named, so it takes its generic path, the one that runs Exec itself.
        env.insert("DISPLAY", ":97");
        return env;
    }
    QString runTool(const QString& tool, const QStringList& arguments, int* exitCode = nullptr) const
    {
        QProcess process;
        process.setProcessEnvironment(privateDesktop());
        process.setWorkingDirectory(home.path());
        process.start(tool, arguments);
        if (!process.waitForFinished(15000)) {
            process.kill();
            process.waitForFinished();
            ADD_FAILURE() << tool.toStdString() << " did not end";
        }
        if (exitCode)
            *exitCode = process.exitCode();
        return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError()).trimmed();
    }
};

QString toolPath(const char* name) { return QStandardPaths::findExecutable(QString::fromLatin1(name)); }

// Program paths as an installation may have them: the entry must quote
// exactly the ones the desktop-entry format reserves characters in, and the
// command read back must be the program itself, whatever it holds.
struct ProgramPath {
    const char* name;
    QString path;
    QString exec;  // the Exec line expected, or empty to check only the round trip
};

const ProgramPath programPaths[] = {
    {"plain", "/usr/bin/quillpress", "Exec=/usr/bin/quillpress %f"},
    {"space", "/opt/my apps/quillpress", "Exec=\"/opt/my apps/quillpress\" %f"},
    {"double quote", "/opt/say \"hi\"/quillpress", "Exec=\"/opt/say \\\\\"hi\\\\\"/quillpress\" %f"},
    {"dollar", "/opt/$HOME/quillpress", "Exec=\"/opt/\\\\$HOME/quillpress\" %f"},
    {"backtick", "/opt/`id`/quillpress", "Exec=\"/opt/\\\\`id\\\\`/quillpress\" %f"},
    {"backslash", "/opt/back\\slash/quillpress", "Exec=\"/opt/back\\\\\\\\slash/quillpress\" %f"},
    {"percent", "/opt/100%/quillpress", "Exec=/opt/100%%/quillpress %f"},
    {"single quote", "/opt/it's/quillpress", "Exec=\"/opt/it's/quillpress\" %f"},
    {"non-ASCII", QStringLiteral("/opt/Schreibstübchen/quillpress"), QStringLiteral("Exec=/opt/Schreibstübchen/quillpress %f")},
};

TEST_F(DesktopIntegration, EntriesQuoteTheProgramOnlyWhereTheFormatNeedsItAndReadBackAsWritten)
{
    const QString validator = toolPath("desktop-file-validate");
    for (const ProgramPath& c : programPaths) {
        SCOPED_TRACE(c.name);
        const QString text = desktopEntryText(c.path);
        const QStringList lines = text.split('\n');
        EXPECT_TRUE(lines.contains(c.exec)) << text.toStdString();
        EXPECT_TRUE(lines.contains(c.exec.chopped(3) + " %f -p")) << "the Print action";

        const QString path = home.filePath("quillpress.desktop");
        write(path, text.toUtf8());
        const std::optional<DesktopEntry> read = DesktopEntry::read(path);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->command({"/home/me/a b.txt"}), QStringList({c.path, "/home/me/a b.txt"}));

        const QString sendTo = home.filePath("quillpress-sendto.desktop");
        write(sendTo, sendToEntryText(c.path).toUtf8());
        EXPECT_EQ(DesktopEntry::read(sendTo)->command({"/x"}), QStringList({c.path, "/x"}));
        if (!validator.isEmpty()) {
            int exitCode = -1;
            const QString output = runTool(validator, {path, sendTo}, &exitCode);
            EXPECT_EQ(exitCode, 0) << output.toStdString();
            EXPECT_FALSE(output.contains("error")) << output.toStdString();
        }
    }
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
}

// The entry the program writes, and the one an installation ships.
TEST_F(DesktopIntegration, TheEntriesNameBothRtfTypesAndWhatTaskBarsNeed)
{
    const QString shippedPath = QStringLiteral(QP_TEST_DATA_DIR "/../../data/quillpress.desktop");
    for (const QString& text : {desktopEntryText("/usr/bin/quillpress"), QString::fromUtf8(read(shippedPath))}) {
        const QStringList lines = text.split('\n');
        for (const char* line : {"MimeType=text/rtf;application/rtf;text/plain;", "StartupNotify=true",
                                 "StartupWMClass=Quillpress"})
            EXPECT_TRUE(lines.contains(line)) << line << "\n" << text.toStdString();
        EXPECT_TRUE(text.contains("\nGenericName=")) << text.toStdString();
    }
    const QString validator = toolPath("desktop-file-validate");
    if (validator.isEmpty())
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
    int exitCode = -1;
    const QString output = runTool(validator, {shippedPath}, &exitCode);
    EXPECT_EQ(exitCode, 0) << output.toStdString();
    EXPECT_TRUE(output.isEmpty()) << output.toStdString();
}

// The desktop's own tool answers for the defaults the program writes; and
// xdg-open, with no desktop environment to ask, runs the entry's Exec itself:
// the file must reach the program as one argument.
TEST_F(DesktopIntegration, XdgUtilsFindTheProgramAndStartItWithTheFile)
{
    const QString xdgMime = toolPath("xdg-mime");
    const QString xdgOpen = toolPath("xdg-open");
    if (xdgMime.isEmpty() || xdgOpen.isEmpty())
        GTEST_SKIP() << "xdg-utils is not installed";

    // A stand-in for the program that writes down the arguments it got.
    const QString record = home.filePath("arguments.txt");
    const QString program = home.filePath("bin/quillpress");
    write(program, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > " + record.toUtf8() + ".part\nmv "
                       + record.toUtf8() + ".part " + record.toUtf8() + "\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    writeDesktopEntry(folders, program);
    for (const char* type : {"text/plain", "text/rtf", "application/rtf"})
        makeDefaultHandler(folders, type);
    for (const char* type : {"text/plain", "text/rtf", "application/rtf"})
        EXPECT_EQ(runTool(xdgMime, {"query", "default", type}), "quillpress.desktop") << type;

    const QString sample = home.filePath("my notes/sample one.txt");
    write(sample, "Some words.\n");
    int exitCode = -1;
    const QString output = runTool(xdgOpen, {sample}, &exitCode);
    EXPECT_EQ(exitCode, 0) << output.toStdString();
    for (int i = 0; i < 100 && !QFile::exists(record); ++i)
        QThread::msleep(50);
    EXPECT_EQ(read(record), sample.toUtf8() + "\n");
}

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
    // Lines the program does not own keep their bytes: CR LF endings and a
    // name in Latin-1.
    const QByteArray foreign = "# caf\xe9\r\n[Default Applications]\r\ntext/x-caf\xe9=b\xe9.desktop;\r\n"
                               "text/rtf=writer.desktop;\r\n";
    const Case cases[] = {
        {"another program owns rtf", other, 1, {},
         "[Added Associations]\ntext/rtf=writer.desktop;\n\n[Default Applications]\n"
         "text/rtf=quillpress.desktop;\ntext/html=browser.desktop;\n",
         other},
        {"associating twice keeps the first backup", other, 2, {},
         "[Added Associations]\ntext/rtf=writer.desktop;\n\n[Default Applications]\n"
         "text/rtf=quillpress.desktop;\ntext/html=browser.desktop;\n",
         other},
        {"no file and no default before: none after", "<absent>", 1, {},
         "[Default Applications]\ntext/rtf=quillpress.desktop;\n", "<absent>"},
        {"another program took it over since", other, 1, "[Default Applications]\ntext/rtf=other.desktop;\n",
         "[Added Associations]\ntext/rtf=writer.desktop;\n\n[Default Applications]\n"
         "text/rtf=quillpress.desktop;\ntext/html=browser.desktop;\n",
         "[Default Applications]\ntext/rtf=other.desktop;\n"},
        {"CR LF and bytes that are not UTF-8", foreign, 1, {},
         "# caf\xe9\r\n[Default Applications]\r\ntext/x-caf\xe9=b\xe9.desktop;\r\ntext/rtf=quillpress.desktop;\r\n",
         foreign},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(home.path()).removeRecursively();
        QDir().mkpath(home.path());
        if (c.before != "<absent>")
            setMimeApps(c.before);
        for (int i = 0; i < c.associations; ++i)
            makeDefaultHandler(folders, "text/rtf");
        EXPECT_EQ(mimeApps(), c.associated);
        EXPECT_TRUE(isDefaultHandler(folders, "text/rtf"));
        if (!c.otherTakesOver.isEmpty())
            setMimeApps(c.otherTakesOver);
        restoreDefaultHandler(folders, "text/rtf");
        EXPECT_EQ(mimeApps(), c.after);
    }
}

TEST_F(DesktopIntegration, ABackupLeftByAnEarlierVersionIsStillRestored)
{
    setMimeApps("[Default Applications]\ntext/plain=quillpress.desktop;\n");
    write(home.filePath(".config/quillpress/mimeapps-backup.list"),
          "[Default Applications]\ntext/plain=featherpad.desktop;\n");
    makeDefaultHandler(folders, "text/plain");  // the earlier backup is not replaced
    restoreDefaultHandler(folders, "text/plain");
    EXPECT_EQ(mimeApps(), "[Default Applications]\ntext/plain=featherpad.desktop;\n");
    removeHandlerBackups(folders);
    EXPECT_FALSE(QDir(home.filePath(".config/quillpress")).exists());
}

// The "Send to" entry must not become the opener of the types it names: it
// names only the parent of all types.
TEST_F(DesktopIntegration, SendToNamesOnlyTheParentOfAllTypes)
{
    EXPECT_TRUE(sendToEntryText("/usr/bin/quillpress").split('\n').contains("MimeType=application/octet-stream;"));
}

// The shell service on a private HOME (Qt's test mode keeps its files under
// ~/.qttest): the whole integration goes in and comes out again.
class DesktopShell : public DesktopIntegration {
protected:
    test::ScopedEnv homeEnv{"HOME", home.path().toUtf8()};
    std::unique_ptr<ShellService> shell = makeQtShellService("/usr/bin/quillpress");
};

TEST_F(DesktopShell, UninstallOnAHomeThatNeverHadTheProgramCreatesNothing)
{
    shell->removeDesktopIntegration();
    shell->notifyAssociationsChanged();
    EXPECT_EQ(filesAtHome(), QStringList());
    EXPECT_TRUE(QDir(home.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

TEST_F(DesktopShell, UninstallTakesAwayAllItMadeAndGivesTheTypesBack)
{
    const XdgFolders xdg = XdgFolders::fromEnvironment();
    const QByteArray before = "[Default Applications]\r\ntext/plain=featherpad.desktop;\r\n# caf\xe9\r\n";
    write(QDir(xdg.config).filePath("mimeapps.list"), before);
    write(QDir(xdg.applications).filePath("featherpad.desktop"), "[Desktop Entry]\nType=Application\nName=F\nExec=f\n");
    const QStringList untouched = filesAtHome();

    for (const char* type : {"text/plain", "text/rtf", "application/rtf"})
        shell->setDefaultHandler(type, true);
    shell->setSendToEntry(true);
    EXPECT_TRUE(shell->isDefaultHandler("application/rtf"));
    EXPECT_GT(filesAtHome().size(), untouched.size());

    shell->removeDesktopIntegration();
    EXPECT_EQ(filesAtHome(), untouched);
    EXPECT_EQ(read(QDir(xdg.config).filePath("mimeapps.list")), before);
    EXPECT_FALSE(QDir(QDir(xdg.config).filePath("quillpress")).exists());
}

// The user gives plain text to another editor with the desktop's own tool
// after the install: the program sees it, and its uninstall leaves that
// choice alone while it gives the other types back.
TEST_F(DesktopShell, ADefaultTheUserGaveAnotherProgramStaysWithIt)
{
    const QString xdgMime = toolPath("xdg-mime");
    if (xdgMime.isEmpty())
        GTEST_SKIP() << "xdg-utils is not installed";
    const XdgFolders xdg = XdgFolders::fromEnvironment();
    write(QDir(xdg.applications).filePath("featherpad.desktop"),
          "[Desktop Entry]\nType=Application\nName=FeatherPad\nExec=featherpad %U\nMimeType=text/plain;\n");
    for (const char* type : {"text/plain", "text/rtf", "application/rtf"})
        shell->setDefaultHandler(type, true);
    ASSERT_TRUE(shell->isDefaultHandler("text/plain"));

    QProcess tool;
    QProcessEnvironment env = privateDesktop();
    env.insert("XDG_CONFIG_HOME", xdg.config);
    env.insert("XDG_DATA_HOME", QFileInfo(xdg.applications).absolutePath());
    tool.setProcessEnvironment(env);
    tool.start(xdgMime, {"default", "featherpad.desktop", "text/plain"});
    ASSERT_TRUE(tool.waitForFinished(15000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();

    EXPECT_FALSE(shell->isDefaultHandler("text/plain"));
    EXPECT_TRUE(shell->isDefaultHandler("text/rtf"));
    shell->removeDesktopIntegration();
    tool.start(xdgMime, {"query", "default", "text/plain"});
    ASSERT_TRUE(tool.waitForFinished(15000));
    EXPECT_EQ(tool.readAllStandardOutput().trimmed(), "featherpad.desktop");
    EXPECT_FALSE(shell->isDefaultHandler("text/rtf"));
}

// Exec lines of tool entries as people write them by hand, read as
// freedesktop.org desktops read them, with a document for the Run command.
TEST_F(DesktopIntegration, ToolEntryCommandFollowsTheExecRules)
{
    struct Case {
        const char* name;
        QByteArray file;
        QStringList files;
        QStringList command;
    };
    const QString entryPath = home.filePath("Tool.DESKTOP");
    const QString doc = "/home/me/he said \"hi there\" draft.rtf";
    const Case cases[] = {
        {"quoted program and a file list", "[Desktop Entry]\nName=Spell\nExec=\"/opt/my tools/spell\" --check %F\n", {doc},
         {"/opt/my tools/spell", "--check", doc}},
        {"no files: the codes vanish", "[Desktop Entry]\nExec=spell %f %U\n", {}, {"spell"}},
        {"a percent sign", "[Desktop Entry]\nExec=printf 100%%\n[Desktop Action X]\nExec=other\n", {}, {"printf", "100%"}},
        {"a file name is never split", "[Desktop Entry]\nExec=edit %f\n", {"/tmp/a\" \"--evil\" \"x.txt"},
         {"edit", "/tmp/a\" \"--evil\" \"x.txt"}},
        {"dollar, backtick, backslash stay as they are", "[Desktop Entry]\nExec=edit %f\n", {"/tmp/$HOME `id` a\\b"},
         {"edit", "/tmp/$HOME `id` a\\b"}},
        {"URLs for %u", "[Desktop Entry]\nExec=browse %u\n", {"/tmp/a b.htm"}, {"browse", "file:///tmp/a%20b.htm"}},
        {"escapes in quotes", "[Desktop Entry]\nExec=\"/opt/a\\\\\\\\b\" \"say \\\\\"x\\\\\"\" \"\\\\$v\" \"\\\\`c\\\\`\"\n", {},
         {"/opt/a\\b", "say \"x\"", "$v", "`c`"}},
        {"string escapes", "[Desktop Entry]\nExec=tool\\sname arg\\targ\n", {}, {"tool", "name", "arg", "arg"}},
        {"icon, name and the entry itself",
         "[Desktop Entry]\nName=Spell\nIcon=spell-icon\nExec=spell %i --title=%c --from %k\n", {},
         {"spell", "--icon", "spell-icon", "--title=Spell", "--from", entryPath}},
        {"deprecated codes vanish", "[Desktop Entry]\nExec=old %d %n %m x\n", {}, {"old", "x"}},
        {"an open quote gives nothing", "[Desktop Entry]\nExec=\"broken %f\n", {doc}, {}},
        {"only an action's Exec", "[Desktop Action X]\nExec=other\n", {}, {}},
        {"empty file", "", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(entryPath, c.file);
        const std::optional<DesktopEntry> entry = DesktopEntry::read(entryPath);
        EXPECT_EQ(entry ? entry->command(c.files) : QStringList(), c.command);
    }
}

TEST_F(DesktopIntegration, ToolEntryNamesInTheUsersLanguageAndWhatKeepsThemOutOfMenus)
{
    struct Case {
        const char* name;
        QByteArray file;
        QString shownName;
        bool shows;
    };
    const Case cases[] = {
        {"German name", "[Desktop Entry]\nName=Spell\nName[de]=Rechtschreibung\nName[de_AT]=Rechtschreibung AT\nExec=s\n",
         "Rechtschreibung", true},
        {"no German name", "[Desktop Entry]\nName=Spell\nName[fr]=Orthographe\nExec=s\n", "Spell", true},
        {"hidden", "[Desktop Entry]\nName=A\nHidden=true\nExec=s\n", "A", false},
        {"no display", "[Desktop Entry]\nName=A\nNoDisplay=true\nExec=s\n", "A", false},
        {"try exec missing", "[Desktop Entry]\nName=A\nTryExec=/no/such/program\nExec=s\n", "A", false},
        {"try exec on PATH", "[Desktop Entry]\nName=A\nTryExec=sh\nExec=s\n", "A", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        write(home.filePath("t.desktop"), c.file);
        const std::optional<DesktopEntry> entry = DesktopEntry::read(home.filePath("t.desktop"), QLocale("de_DE"));
        ASSERT_TRUE(entry);
        EXPECT_EQ(entry->name, c.shownName);
        EXPECT_EQ(entry->showsInMenus(), c.shows);
    }
}

}  // namespace
}  // namespace qp
