// The shell service starting real programs: what arguments and working
// folder a started program gets from the Run command and from a tool slot.
#include "platform/ShellService.h"

#include "support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace qp {
namespace {

class ShellStarts : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString record = dir.filePath("record.txt");
    std::unique_ptr<ShellService> shell = makeQtShellService("/usr/bin/quillpress");

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // A program that writes down its working folder and each argument on a line.
        recorder = writeScript("bin/recorder", "#!/bin/sh\n{ pwd; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '"
                                                   + record.toUtf8() + ".part'\nmv '" + record.toUtf8() + ".part' '"
                                                   + record.toUtf8() + "'\n");
    }

    QString writeFile(const QString& name, const QByteArray& bytes) const
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }
    QString writeScript(const QString& name, const QByteArray& text) const
    {
        const QString path = writeFile(name, text);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    // The record's lines once the program has written it, or nothing after five seconds.
    QStringList recorded() const
    {
        for (int i = 0; i < 100 && !QFile::exists(record); ++i)
            QThread::msleep(50);
        QFile file(record);
        if (!file.open(QIODevice::ReadOnly))
            return {"<nothing started>"};
        QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
        lines.removeLast();
        file.close();
        QFile::remove(record);
        return lines;
    }

    QString recorder;
};

// Document names that a command-line splitter or a shell would take apart.
const char* const awkwardNames[] = {
    "plain.rtf",
    "my draft.rtf",
    "he said \"hi there\" draft.rtf",
    "a\" \"--evil\" \"x.txt",
    "$HOME and ${PATH}.txt",
    "`touch pwned` $(touch pwned).txt",
    "back\\slash\\\\twice.txt",
    "it's 'quoted'.txt",
    "-p",
    "100% done; really & truly | maybe.txt",
};

TEST_F(ShellStarts, RunHandsTheDocumentToTheProgramAsOneArgument)
{
    const QString entry = writeFile("Viewer.desktop", "[Desktop Entry]\nType=Application\nName=Viewer\nExec=\""
                                                          + recorder.toUtf8() + "\" --view %f\n");
    test::ScopedEnv path("PATH", QFile::encodeName(dir.filePath("bin")) + ':' + qgetenv("PATH"));
    for (const char* name : awkwardNames) {
        SCOPED_TRACE(name);
        const QString document = writeFile(QStringLiteral("docs/") + QString::fromUtf8(name), "words");
        // The program's own folder is where a program named by its path starts.
        ASSERT_TRUE(shell->runWith(recorder, document));
        EXPECT_EQ(recorded(), QStringList({dir.filePath("bin"), document}));
        ASSERT_TRUE(shell->runWith("recorder", document)) << "a command on PATH";
        EXPECT_EQ(recorded().mid(1), QStringList{document});
        ASSERT_TRUE(shell->runWith(entry, document)) << "a desktop entry";
        EXPECT_EQ(recorded().mid(1), QStringList({"--view", document}));
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("docs/pwned")));
    EXPECT_FALSE(QFile::exists(dir.filePath("bin/pwned")));
    EXPECT_FALSE(shell->runWith(dir.filePath("docs/plain.rtf"), dir.filePath("docs/plain.rtf")))
        << "a document is never run as the program";
    EXPECT_FALSE(shell->runWith("no-such-program-anywhere", dir.filePath("docs/plain.rtf")));
}

// Tool slots start their entry; the Exec line's quoting decides the arguments.
TEST_F(ShellStarts, AToolSlotStartsItsEntryAsTheExecLineQuotesIt)
{
    struct Case {
        const char* name;
        QByteArray execArguments;  // after the program
        QStringList arguments;
    };
    const Case cases[] = {
        {"spaces in quotes", "\"two words\" three", {"two words", "three"}},
        {"double quotes", "\"say \\\\\"hi\\\\\"\"", {"say \"hi\""}},
        {"dollar", "\"\\\\$HOME\"", {"$HOME"}},
        {"backticks", "\"\\\\`id\\\\`\"", {"`id`"}},
        {"backslash", "\"a\\\\\\\\b\"", {"a\\b"}},
        {"percent", "100%%", {"100%"}},
        {"no files for a tool: the file codes vanish", "%f %F --x", {"--x"}},
        {"the entry's own name", "%c", {"Spell Check"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString entry = writeFile("tools/Tool.desktop", "[Desktop Entry]\nType=Application\nName=Spell Check\nExec="
                                                                  + recorder.toUtf8() + ' ' + c.execArguments + '\n');
        ASSERT_TRUE(shell->open(entry, QString()));
        EXPECT_EQ(recorded().mid(1), c.arguments);
    }
}

TEST_F(ShellStarts, AToolSlotKeepsItsWorkingFolderAndItsTerminal)
{
    const QString work = dir.filePath("work folder");
    QDir().mkpath(work);
    const QString entry = writeFile("tools/Tool.desktop", "[Desktop Entry]\nType=Application\nName=T\nPath=" + work.toUtf8()
                                                              + "\nExec=" + recorder.toUtf8() + " x\n");
    ASSERT_TRUE(shell->open(entry, QString()));
    EXPECT_EQ(recorded(), QStringList({work, "x"}));

    // The user's terminal emulator gets the command after its -e.
    const QString terminal = writeScript("bin/my-terminal", "#!/bin/sh\nexec " + recorder.toUtf8() + " terminal \"$@\"\n");
    test::ScopedEnv chosen("TERMINAL", terminal.toUtf8());
    writeFile("tools/Tool.desktop", "[Desktop Entry]\nType=Application\nName=T\nTerminal=true\nExec=top -d 1\n");
    ASSERT_TRUE(shell->open(entry, QString()));
    EXPECT_EQ(recorded().mid(1), QStringList({"terminal", "-e", "top", "-d", "1"}));
}

// A document is opened, never run, whatever its permission bits say.
TEST_F(ShellStarts, OpeningAnExecutableDocumentNeverRunsIt)
{
    const QString page = writeScript("Help.htm", "#!/bin/sh\ntouch '" + dir.filePath("ran").toUtf8() + "'\n");
    test::ScopedEnv noDisplay("DISPLAY", QByteArray());
    test::ScopedEnv noBrowser("BROWSER", "true");
    shell->open(page, QString());
    QThread::msleep(300);
    EXPECT_FALSE(QFile::exists(dir.filePath("ran")));
}

}  // namespace
}  // namespace qp
