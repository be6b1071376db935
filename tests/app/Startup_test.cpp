// Start-up, the command line, dropped files and the close sequence, driven
// as the program runs them.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/Commands.h"
#include "editor/RichEdit.h"
#include "store/Registry.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

using namespace qp;
using namespace qp::test;

namespace {

const QString Root = settingsRoot();

class Startup : public AppFixture {};

TEST_F(Startup, FirstStartShowsAnEmptyDocumentIn640x480CentredAndHiddenWindows)
{
    registry().deleteKey(Hive::CurrentUser, Root);
    TApp& window = start();

    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Quillpress");
    EXPECT_EQ(window.size(), QSize(640, 480));
    EXPECT_EQ(window.frameGeometry().topLeft(), QPoint(1920 / 2 - 320, 1080 / 2 - 240));
    EXPECT_EQ(window.document().state, DocState::New);
    EXPECT_TRUE(editor().text().isEmpty());
    EXPECT_TRUE(messages.boxes().isEmpty()) << messages.texts().join(" | ").toStdString();
    EXPECT_FALSE(registry().keyExists(Hive::CurrentUser, Root)) << "nothing is written until a consumer writes";

    // The other windows exist from start-up on, hidden, in their order of creation.
    QStringList created;
    for (QObject* child : window.children()) {
        if (auto* dialog = qobject_cast<QDialog*>(child)) {
            created << dialog->objectName();
            // Only Setup comes up, as nothing is installed yet.
            EXPECT_EQ(dialog->isVisible(), dialog->objectName() == "TForm_FirstRun") << dialog->objectName().toStdString();
        }
    }
    EXPECT_EQ(created, (QStringList{"TForm_RecentFiles", "TForm_TextSpecifications", "TForm_FindAndReplace",
                                    "TForm_GoToLine", "TForm_InsertCharacter", "TForm_MyFiles", "TForm_PrintOptions",
                                    "TForm_Settings", "TForm_Credits", "TForm_FirstRun", "TForm_Shortcuts", "TForm_About",
                                    "TForm_EditAutoWords"}));
}

// Task bars find the desktop entry by this name and group the windows under it.
TEST_F(Startup, WindowsCarryTheProgramsIconAndDesktopEntryName)
{
    TApp& window = start();
    EXPECT_EQ(QGuiApplication::desktopFileName(), "quillpress");
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_FALSE(window.windowIcon().pixmap(32, 32).isNull());
}

TEST_F(Startup, AFileNamedOnTheCommandLineOpensAsWritten)
{
    const QString path = writeFile("chapter one.txt", "It was a dark night.\n");
    TApp& window = start({path});

    EXPECT_EQ(editor().text(), "It was a dark night.\r\n");
    EXPECT_EQ(window.document().fileName, path);
    EXPECT_EQ(window.document().state, DocState::Saved);
    EXPECT_EQ(window.windowTitle(), "chapter one.txt - Quillpress");
    EXPECT_FALSE(window.revertEnabled());
}

struct IgnoredArguments {
    const char* name;
    QStringList arguments;
};

class StartupIgnores : public Startup, public ::testing::WithParamInterface<IgnoredArguments> {};

TEST_P(StartupIgnores, ArgumentsThatNameNoFile)
{
    registry().createKey(Hive::CurrentUser, Root + "\\Miscellaneous");
    TApp& window = start(GetParam().arguments);

    EXPECT_TRUE(messages.boxes().isEmpty()) << messages.texts().join(" | ").toStdString();
    EXPECT_TRUE(editor().text().isEmpty());
    EXPECT_TRUE(window.document().fileName.isEmpty());
    EXPECT_FALSE(window.endRequested());
    EXPECT_TRUE(registry().keyExists(Hive::CurrentUser, Root));
}

INSTANTIATE_TEST_SUITE_P(, StartupIgnores,
                         ::testing::Values(IgnoredArguments{"UnknownOption", {"--frobnicate", "-x"}},
                                           IgnoredArguments{"EmptyArgument", {""}}),
                         [](const auto& info) { return std::string(info.param.name); });

// A name given on the command line that opens no file is said so, instead
// of an empty window that looks as if the file were empty; "/u" counts only
// as the first argument, and only in small letters.
TEST_F(Startup, ANamedFileThatCannotBeOpenedIsReported)
{
    struct Case {
        const char* name;
        QStringList arguments;
        QString message;
    };
    const QString missing = "This file can not be opened. Possible reasons are:\rThe file is renamed, deleted or moved.";
    const QString notUtf8 = QString::fromUtf8("/home/me/caf\uFFFD.txt");
    const Case cases[] = {
        {"missing file", {"/no/such/file.rtf"}, missing},
        {"uninstall second", {"/no/such/file.rtf", "/u"}, missing},
        {"uninstall in capitals", {"/U"}, missing},
        {"name that is not UTF-8", {notUtf8},
         "This file can not be opened: its name is not valid UTF-8.\r" + notUtf8 + "\rRename the file and open it again."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        registry().createKey(Hive::CurrentUser, Root + "\\Miscellaneous");
        messages.clear();
        TApp& window = start(c.arguments);
        EXPECT_EQ(messages.texts(), QStringList{c.message});
        EXPECT_TRUE(editor().text().isEmpty());
        EXPECT_TRUE(window.document().fileName.isEmpty());
        EXPECT_FALSE(window.endRequested());
        EXPECT_TRUE(registry().keyExists(Hive::CurrentUser, Root));
        stop();
    }
}

// A relative name is made absolute against the folder the program starts
// in, so Recent Files opens it later from anywhere, and programs started in
// another folder get a name that works there.
TEST_F(Startup, ARelativeNameIsKeptAbsolute)
{
    QDir().mkpath(scratchPath("docs"));
    const QString path = writeFile("docs/a.txt", "words\n");
    const QString folder = QFileInfo(path).absolutePath();
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QFileInfo(folder).absolutePath()));
    TApp& window = start({"docs/../docs/./a.txt"});
    QDir::setCurrent(before);

    EXPECT_EQ(window.document().fileName, path);
    EXPECT_EQ(editor().text(), "words\r\n");
    EXPECT_EQ(shell.recentDocuments.last(), path);
    window.options().runPath = "/usr/bin/wc";
    window.settingsHost().setRunEnabled(true);
    window.action(Command::Other_Run)->trigger();
    ASSERT_FALSE(shell.calls.isEmpty());
    EXPECT_EQ(shell.calls.last().what, "run with");
    EXPECT_EQ(shell.calls.last().parameters, path);
}

TEST_F(Startup, UninstallArgumentRemovesTheSettingsAndAsksToEnd)
{
    RegKey::openSettingsWrite(registry(), "Settings").writeInteger("Default_LinesPerPage", 58);
    TApp& window = start({"/u"});

    EXPECT_FALSE(registry().keyExists(Hive::CurrentUser, Root));
    EXPECT_TRUE(window.endRequested());
    EXPECT_TRUE(messages.boxes().isEmpty()) << "the uninstall is silent";
}

TEST_F(Startup, DroppedFilesOpenTheLastAfterTheQuerySave)
{
    const QStringList files{writeFile("a.txt", "first"), writeFile("b.txt", "second"), writeFile("c.txt", "third")};
    TApp& window = start();
    type("draft");
    ASSERT_EQ(window.document().state, DocState::Modified);

    messages.answer(Answer::Cancel);
    window.dropFiles(files);
    EXPECT_EQ(editor().text(), "draft") << "Cancel ends the drop with nothing opened";
    EXPECT_EQ(messages.boxes().last().text, "Save ?");

    messages.answer(Answer::No);
    window.dropFiles(files);
    EXPECT_EQ(editor().text(), "third");
    EXPECT_EQ(window.document().fileName, files.last());
}

TEST_F(Startup, PrintArgumentLoadsTheFileThenClosesTheWindow)
{
    const QString path = writeFile("print me.txt", "to the printer");
    TApp& window = start({path, "-p"});
    EXPECT_EQ(editor().text(), "to the printer");
    EXPECT_FALSE(window.isVisible()) << "the program ends after printing";
    EXPECT_TRUE(messages.boxes().isEmpty());
}

TEST_F(Startup, TypingMakesTheDocumentModifiedAndANamedOneRevertible)
{
    TApp& window = start({writeFile("notes.txt", "abc")});
    type("x");
    EXPECT_EQ(window.document().state, DocState::Modified);
    EXPECT_TRUE(window.revertEnabled());
}

TEST_F(Startup, CloseStoresTheGeometryAndRestartRestoresIt)
{
    TApp& window = start();
    window.resize(700, 500);
    window.move(100, 120);
    window.close();

    const auto key = RegKey::openSettingsRead(registry(), "MainForm");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readInteger("Main_Width"), 700);
    EXPECT_EQ(key->readInteger("Main_Height"), 500);
    EXPECT_EQ(key->readInteger("Main_Left"), 100);
    EXPECT_EQ(key->readInteger("Main_Top"), 120);
    EXPECT_EQ(key->readInteger("Main_State"), 0);

    TApp& again = start();
    EXPECT_EQ(again.size(), QSize(700, 500));
    EXPECT_EQ(again.frameGeometry().topLeft(), QPoint(100, 120));
}

TEST_F(Startup, CancelInTheQuerySaveKeepsTheProgramRunning)
{
    TApp& window = start();
    type("unsaved words");

    messages.answer(Answer::Cancel);
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(RegKey::openSettingsRead(registry(), "MainForm")) << "nothing stored on a cancelled close";

    messages.answer(Answer::No);
    EXPECT_TRUE(window.close());
}

// Settings that cannot be written never keep the window open: the failure is
// told once, naming the place and the reason, after the unsaved-document
// question, which alone can stop the close.
TEST_F(Startup, AStoreThatCannotBeWrittenIsToldOnceAndTheProgramClosesAnyway)
{
    struct Case {
        const char* name;
        bool byKey;
    };
    for (const Case& c : {Case{"close box", false}, Case{"Ctrl+Q", true}}) {
        SCOPED_TRACE(c.name);
        TApp& window = start();
        type("unsaved words");
        // The settings folder is gone and a file stands in its place, as with
        // a missing or read-only home: no write can succeed.
        ASSERT_TRUE(QDir(settingsFolder()).removeRecursively());
        QFile blocker(settingsFolder());
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        messages.clear();

        messages.answer(Answer::Cancel);
        EXPECT_FALSE(window.close()) << "Cancel in the question still keeps the window";
        EXPECT_TRUE(messages.errors().isEmpty());

        messages.answer(Answer::No);
        if (c.byKey) {
            press(QKeySequence("Ctrl+Q"));
            processEvents();
        } else {
            EXPECT_TRUE(window.close());
        }
        EXPECT_FALSE(window.isVisible());
        ASSERT_EQ(messages.boxes().size(), 3);
        EXPECT_EQ(messages.boxes().at(1).text, "Save ?") << "the question comes first";
        const QStringList errors = messages.errors();
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors.first().contains(settingsFolder())) << errors.first().toStdString();
        EXPECT_TRUE(errors.first().contains("Not a directory") || errors.first().contains("File exists"))
            << errors.first().toStdString();

        QFile::remove(settingsFolder());
        ASSERT_TRUE(QDir().mkpath(settingsFolder()));
        stop();
    }
}

TEST_F(Startup, CloseInFullScreenStoresNoGeometry)
{
    TApp& window = start();
    window.values().fullScreen = true;
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(RegKey::openSettingsRead(registry(), "MainForm"));
}

TEST_F(Startup, NewWindowStartsAnotherCopyOfTheProgram)
{
    TApp& window = start();
    window.startNewWindow();
    ASSERT_EQ(shell.calls.size(), 1);
    EXPECT_EQ(shell.calls.first().what, "copy");
}

TEST_F(Startup, AStoredValueOfTheWrongTypeIsReportedAndStartUpGoesOn)
{
    RegKey::openSettingsWrite(registry(), "MainForm").writeString("Main_Width", "abc");
    TApp& window = start();

    EXPECT_EQ(messages.errors(), QStringList{"Invalid data type for 'Main_Width'"});
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.document().state, DocState::New);
}

TEST_F(Startup, ADamagedSettingsFileIsKeptAsideAndTheProgramStartsFresh)
{
    const QByteArray garbage = "\x01\x02 this is not a settings file {{{\n[[[\n";
    {
        QFile file(registry().hivePath(Hive::CurrentUser));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    TApp& window = start();

    ASSERT_EQ(messages.errors().size(), 1);
    EXPECT_TRUE(messages.errors().first().contains("HKEY_CURRENT_USER.reg"));
    EXPECT_TRUE(window.isVisible());
    // The damaged bytes are still on disk under the name the message gives.
    const QDir folder(settingsFolder());
    const QStringList kept = folder.entryList({"HKEY_CURRENT_USER.reg.damaged*"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    QFile keptFile(folder.filePath(kept.first()));
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptFile.readAll(), garbage);
    EXPECT_TRUE(messages.errors().first().contains(kept.first()));
}

// Damaged while the program runs (edited by hand, say): the next setting
// written finds it and the user hears the same as at start-up.
TEST_F(Startup, ASettingsFileDamagedWhileTheProgramRunsIsReportedWhenKeptAside)
{
    TApp& window = start();
    ASSERT_TRUE(messages.errors().isEmpty());
    {
        QFile file(registry().hivePath(Hive::CurrentUser));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software]\n\"Broken\n");
    }
    press(QKeySequence("Ctrl+M"));  // Stay on Top writes the window's settings

    ASSERT_EQ(messages.errors().size(), 1);
    const QString message = messages.errors().first();
    const QStringList kept = QDir(settingsFolder()).entryList({"HKEY_CURRENT_USER.reg.damaged*"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(message.contains("HKEY_CURRENT_USER.reg' is damaged at line 4")) << message.toStdString();
    EXPECT_TRUE(message.contains(kept.first())) << message.toStdString();
    EXPECT_TRUE(message.contains("Quillpress starts with fresh settings")) << message.toStdString();
    // The write went on into a fresh file.
    EXPECT_EQ(RegKey::openSettingsRead(registry(), "MainForm")->readInteger("StayOnTop_Enabled"), 1);
    EXPECT_TRUE(window.isVisible());
}

// The real program in its own process, as a user starts it from a shell, on
// fresh folders; it must end by itself.
class ProgramProcess : public ::testing::Test {
protected:
    QTemporaryDir config;
    QTemporaryDir data;
    QProcess program;

    void runToTheEnd(const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("XDG_DATA_HOME", data.path());
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(QP_BIN_DIR "/quillpress"), arguments);
        ASSERT_TRUE(program.waitForStarted(5000));
        if (!program.waitForFinished(10000)) {
            program.kill();
            program.waitForFinished(5000);
            FAIL() << "the program did not end by itself";
        }
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    }
};

TEST_F(ProgramProcess, UninstallEndsByItselfAndLeavesNoSettingsRoot)
{
    Registry store(config.path() + "/Quillpress");
    RegKey::openSettingsWrite(store, "Settings").writeInteger("Default_LinesPerPage", 58);
    ASSERT_TRUE(store.keyExists(Hive::CurrentUser, settingsRoot()));

    runToTheEnd({"/u"});
    EXPECT_FALSE(store.keyExists(Hive::CurrentUser, settingsRoot()));
}

// "/u" on an account that never had the program leaves no file and no
// folder behind; an empty cache of the desktop's entries left in an emptied
// applications folder goes as well.
TEST_F(ProgramProcess, UninstallOnAFreshAccountCreatesNothing)
{
    const QString cache = data.filePath("applications/mimeinfo.cache");
    QDir().mkpath(data.filePath("applications"));
    QFile file(cache);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[MIME Cache]\n");
    file.close();

    runToTheEnd({"/u"});
    EXPECT_TRUE(QDir(config.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        << QDir(config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).join(", ").toStdString();
    EXPECT_FALSE(QFile::exists(cache));
    EXPECT_EQ(QDir(data.path()).entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

// Printing from the command line shows the real print dialog, which waits for
// the user: the program is still running there and has not touched the file.
// (The closing after the dialog is shown in-process, with a scripted dialog.)
TEST_F(ProgramProcess, PrintArgumentWaitsInThePrintDialogAndLeavesTheFileAlone)
{
    const QString file = data.filePath("chapter.txt");
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("words");
    out.close();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", config.path());
    env.insert("XDG_DATA_HOME", data.path());
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QP_BIN_DIR "/quillpress"), {file, "-p"});
    ASSERT_TRUE(program.waitForStarted(5000));
    EXPECT_FALSE(program.waitForFinished(3000)) << program.readAllStandardError().toStdString();
    program.kill();
    program.waitForFinished(5000);
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), QByteArray("words"));
}

}  // namespace
