// Recent Files through the running program: every load enters the list, the
// dialog shows and opens it, and the store always holds all twelve slots.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"
#include "files/Window_RecentFiles.h"
#include "store/Registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace qp;
using namespace qp::test;

namespace {

class RecentFiles : public AppFixture {
protected:
    void SetUp() override
    {
        start();
        editor().setFocus();
    }
    TForm_RecentFiles& dialog() { return *app().windows().recentFiles; }
    QListWidget& list() { return *dialog().findChild<QListWidget*>("ListBox1"); }
    QPushButton& openButton() { return *dialog().findChild<QPushButton*>("Button1"); }
    QPushButton& clearButton() { return *dialog().findChild<QPushButton*>("Button2"); }
    QString stored(int slot)
    {
        const auto key = RegKey::openSettingsRead(registry(), "RecentFiles");
        return key ? key->readString(QStringLiteral("Recent%1").arg(slot, 2, 10, QLatin1Char('0'))) : "<no key>";
    }
    void openFile(const QString& path)
    {
        fileDialogs.choose(path);
        app().runCommand(Command::File_Open);
    }
    QStringList lines()
    {
        QStringList texts;
        for (int i = 0; i < list().count(); ++i)
            texts << list().item(i)->text();
        return texts;
    }
    void showDialog()
    {
        press(QKeySequence(Qt::Key_F8));
        processEvents();
    }
};

TEST_F(RecentFiles, AFreshInstallationShowsTwelveBlankLinesThatStillOpen)
{
    showDialog();
    ASSERT_TRUE(dialog().isVisible());
    EXPECT_EQ(lines(), QStringList(12, " "));
    EXPECT_EQ(list().currentRow(), 0);
    EXPECT_TRUE(openButton().isEnabled());
    QTest::mouseClick(&openButton(), Qt::LeftButton);
    EXPECT_EQ(messages.texts().value(0),
              "This file can not be opened. Possible reasons are:\rThe file is renamed, deleted or moved.");
    EXPECT_TRUE(dialog().isVisible());
}

TEST_F(RecentFiles, EveryLoadEntersTheListButASaveDoesNot)
{
    const QString a = writeFile("a.txt", "first");
    const QString b = writeFile("b.rtf", "{\\rtf1 second}");
    openFile(a);
    loadNamedFile(app(), b);
    EXPECT_EQ(stored(1), b);
    EXPECT_EQ(stored(2), a);
    EXPECT_EQ(stored(3), " ");
    EXPECT_EQ(stored(12), " ");

    // Save As under a new name leaves the list alone; opening that file adds it.
    fileDialogs.choose(scratchPath("saved.txt"), int(SaveFormat::PlainText));
    app().runCommand(Command::File_SaveAs);
    EXPECT_EQ(stored(1), b);
    openFile(scratchPath("saved.txt"));
    EXPECT_EQ(stored(1), scratchPath("saved.txt"));
    // The desktop's own list hears of every load and save.
    EXPECT_EQ(shell.recentDocuments, QStringList({a, b, scratchPath("saved.txt"), scratchPath("saved.txt")}));

    showDialog();
    EXPECT_EQ(lines().mid(0, 3), QStringList({"saved.txt", "b.rtf", "a.txt"}));
}

TEST_F(RecentFiles, OpenLoadsTheSlotAndClosesUnlessToldToStay)
{
    const QString a = writeFile("a.txt", "alpha");
    const QString b = writeFile("b.txt", "beta");
    loadNamedFile(app(), a);
    loadNamedFile(app(), b);
    showDialog();
    list().setCurrentRow(1);
    QTest::keyClick(&list(), Qt::Key_Return);
    EXPECT_EQ(editor().text(), "alpha");
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(stored(1), a);

    showDialog();
    dialog().findChild<QCheckBox*>("CheckBox1")->setChecked(true);
    list().setCurrentRow(1);
    QTest::mouseClick(&openButton(), Qt::LeftButton);
    EXPECT_EQ(editor().text(), "beta");
    EXPECT_TRUE(dialog().isVisible());
    // The list is rebuilt with the file at the top; the selected line number stays.
    EXPECT_EQ(lines().mid(0, 2), QStringList({"b.txt", "a.txt"}));
    EXPECT_EQ(list().currentRow(), 1);
}

TEST_F(RecentFiles, OpenAsksToSaveAModifiedDocumentAndCancelKeepsIt)
{
    loadNamedFile(app(), writeFile("a.txt", "alpha"));
    type("changed ");
    showDialog();
    messages.answer(Answer::Cancel);
    QTest::mouseClick(&openButton(), Qt::LeftButton);
    EXPECT_EQ(editor().text(), "changed alpha");
    EXPECT_EQ(messages.boxes().value(0).text, "Save " + scratchPath("a.txt") + "?");
}

TEST_F(RecentFiles, ADeletedFileKeepsItsSlot)
{
    const QString gone = writeFile("gone.txt", "soon gone");
    loadNamedFile(app(), gone);
    app().runCommand(Command::File_New);
    QFile::remove(gone);
    showDialog();
    QTest::mouseClick(&openButton(), Qt::LeftButton);
    EXPECT_EQ(messages.texts().value(0),
              "This file can not be opened. Possible reasons are:\rThe file is renamed, deleted or moved.");
    EXPECT_EQ(editor().text(), "");
    EXPECT_EQ(stored(1), gone);
    EXPECT_EQ(lines().value(0), "gone.txt");
}

TEST_F(RecentFiles, ClearListAsksFirst)
{
    loadNamedFile(app(), writeFile("a.txt", "alpha"));
    showDialog();
    messages.answer(Answer::No);
    QTest::mouseClick(&clearButton(), Qt::LeftButton);
    EXPECT_EQ(messages.boxes().value(0).text, "Delete ALL Recent Files?");
    EXPECT_EQ(lines().value(0), "a.txt");

    messages.answer(Answer::Yes);
    QTest::mouseClick(&clearButton(), Qt::LeftButton);
    EXPECT_EQ(lines(), QStringList(12, ""));
    EXPECT_FALSE(openButton().isEnabled());
    for (int slot = 1; slot <= 12; ++slot)
        EXPECT_EQ(stored(slot), "") << slot;
}

TEST_F(RecentFiles, ShowFullPathAndTheKeysThatCloseTheDialog)
{
    const QString a = writeFile("a.txt", "alpha");
    loadNamedFile(app(), a);
    showDialog();
    QTest::keyClick(&list(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(messages.texts().value(0), a);
    // The keys pressed here reach neither the editor nor the main window's commands.
    EXPECT_FALSE(editor().selectionCharFormat().styles.testFlag(FontStyle::Italic));

    QTest::keyClick(&list(), Qt::Key_F8);
    EXPECT_FALSE(dialog().isVisible());
    showDialog();
    QTest::keyClick(&list(), Qt::Key_Escape);
    EXPECT_FALSE(dialog().isVisible());
}

// Two running copies each write all twelve values; the dialog shows what was written last.
TEST_F(RecentFiles, TheDialogReadsTheStoreAgainEachTimeItShows)
{
    loadNamedFile(app(), writeFile("mine.txt", "mine"));
    RegKey other = RegKey::openSettingsWrite(registry(), "RecentFiles");
    other.writeString("Recent01", "/elsewhere/theirs.txt");
    showDialog();
    EXPECT_EQ(lines().value(0), "theirs.txt");
}

TEST_F(RecentFiles, TheListSurvivesARestart)
{
    const QString a = writeFile("a.txt", "alpha");
    loadNamedFile(app(), a);
    restart();
    loadNamedFile(app(), writeFile("b.txt", "beta"));
    EXPECT_EQ(stored(1), scratchPath("b.txt"));
    EXPECT_EQ(stored(2), a);
    EXPECT_EQ(stored(3), " ");
}

}  // namespace
