// The Run command and the tool slots of the Tools menu.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/Commands.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"

#include <QAction>
#include <QDir>
#include <QFile>

using namespace qp;
using namespace qp::test;

namespace {

class RunAndTools : public AppFixture {
protected:
    void writeTool(const QString& name)
    {
        QFile file(QDir(programFolder()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\nExec=true\n");
    }
    void setRunPath(const QString& path)
    {
        app().options().runPath = path;
        app().settingsHost().setRunEnabled(!path.isEmpty());
    }
    QStringList opened() const
    {
        QStringList out;
        for (const auto& call : shell.calls)
            if (call.what == "open" || call.what == "run with")
                out << call.path + " " + call.parameters;
        return out;
    }
};

TEST_F(RunAndTools, TwelveToolFilesFillTenSlotsWithCaptionsWithoutTheExtension)
{
    for (int i = 0; i < 12; ++i)
        writeTool(QStringLiteral("tool%1.%2").arg(i, 2, 10, QLatin1Char('0')).arg(i % 2 ? "DESKTOP" : "desktop"));
    writeTool("notes.txt");
    QDir(programFolder()).mkdir("folder.desktop");
    start();

    for (int i = 0; i < 10; ++i) {
        QAction* slot = app().action(Command(FirstToolSlot + i));
        EXPECT_TRUE(slot->isVisible()) << i;
        EXPECT_EQ(slot->text(), QStringLiteral("tool%1").arg(i, 2, 10, QLatin1Char('0')));
    }
    app().action(Command::Plugin03)->trigger();
    EXPECT_EQ(opened(), QStringList{QDir(programFolder()).filePath("tool03.DESKTOP") + " "});
}

// The menu shows what the desktop would show for the entries: their Name (an
// "&" as itself, not as a mnemonic) and Icon, and not the ones it hides.
TEST_F(RunAndTools, SlotsShowTheEntriesNameAndIconAndSkipWhatTheDesktopHides)
{
    const auto writeEntry = [this](const QString& name, const QByteArray& keys) {
        QFile file(QDir(programFolder()).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Desktop Entry]\nType=Application\nExec=true\n" + keys);
    };
    writeEntry("a.desktop", "Name=Tom & Jerry\nIcon=" QP_TEST_DATA_DIR "/../../data/icons/quillpress.svg\n");
    writeEntry("b.desktop", "Name=Hidden\nHidden=true\n");
    writeEntry("c.desktop", "Name=Not shown\nNoDisplay=true\n");
    writeEntry("d.desktop", "Name=Missing tool\nTryExec=/no/such/tool\n");
    writeEntry("e.desktop", "");
    QFile broken(QDir(programFolder()).filePath("f.desktop"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("not an entry\n");
    broken.close();
    start();

    EXPECT_EQ(app().action(Command::Plugin00)->text(), "Tom && Jerry");
    EXPECT_FALSE(app().action(Command::Plugin00)->icon().isNull());
    EXPECT_EQ(app().action(Command::Plugin01)->text(), "e");
    EXPECT_TRUE(app().action(Command::Plugin01)->icon().isNull());
    for (int i = 2; i < 10; ++i)
        EXPECT_FALSE(app().action(Command(FirstToolSlot + i))->isVisible()) << i;
}

TEST_F(RunAndTools, AnEmptyFolderLeavesEverySlotHidden)
{
    start();
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(app().action(Command(FirstToolSlot + i))->isVisible()) << i;
    EXPECT_FALSE(app().action(Command::Other_Run)->isEnabled());
}

TEST_F(RunAndTools, RunSavesThenHandsTheNameToTheProgramAndListsTheDocument)
{
    start();
    setRunPath("/no/such/program");
    editor().setFocus();
    type("draft");
    fileDialogs.choose(scratchPath("my draft.rtf"));
    app().action(Command::Other_Run)->trigger();

    EXPECT_TRUE(QFile::exists(scratchPath("my draft.rtf")));
    EXPECT_EQ(opened(), QStringList{"/no/such/program " + scratchPath("my draft.rtf")});
    EXPECT_EQ(shell.recentDocuments.last(), scratchPath("my draft.rtf"));
    EXPECT_TRUE(messages.boxes().isEmpty()) << messages.texts().join(" | ").toStdString();
}

TEST_F(RunAndTools, CancellingSaveAsStartsNothing)
{
    start();
    setRunPath("/usr/bin/true");
    editor().setFocus();
    type("draft");
    app().action(Command::Other_Run)->trigger();  // the unscripted dialog is cancelled
    EXPECT_TRUE(opened().isEmpty());
}

TEST_F(RunAndTools, RunOnABinaryViewStillOpensTheFile)
{
    const QString path = writeFile("data.log", QByteArray("head\0\x01\x02tail-of-the-file", 23));
    start();
    loadNamedFile(app(), path);
    setRunPath("/usr/bin/hexview");
    app().action(Command::Other_Run)->trigger();
    EXPECT_EQ(messages.texts(), QStringList{"Binary files can not be saved."});
    EXPECT_EQ(opened(), QStringList{"/usr/bin/hexview " + path});
}

}  // namespace
