// My Files through the running program: slots kept by hand, the questions
// before a used slot changes, and opening through the document files.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"
#include "files/Window_MyFiles.h"
#include "store/Registry.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace qp;
using namespace qp::test;

namespace {

class MyFiles : public AppFixture {
protected:
    void SetUp() override
    {
        start();
        editor().setFocus();
    }
    TForm_MyFiles& dialog() { return *app().windows().myFiles; }
    QListWidget& list() { return *dialog().findChild<QListWidget*>("ListBox1"); }
    QPushButton& button(const char* name) { return *dialog().findChild<QPushButton*>(name); }
    void click(const char* name) { QTest::mouseClick(&button(name), Qt::LeftButton); }
    QString stored(int slot)
    {
        const auto key = RegKey::openSettingsRead(registry(), "MyFiles");
        return key ? key->readString(QStringLiteral("My%1").arg(slot, 2, 10, QLatin1Char('0'))) : "<no key>";
    }
    void showDialog()
    {
        press(QKeySequence(Qt::Key_F7));
        processEvents();
    }
};

TEST_F(MyFiles, AFreshSlotCountsAsUsed)
{
    showDialog();
    ASSERT_TRUE(dialog().isVisible());
    EXPECT_TRUE(button("Button1").isEnabled());
    EXPECT_TRUE(button("Button2").isEnabled());
    EXPECT_TRUE(button("Button1").isDefault());
    EXPECT_FALSE(button("Button3").isDefault());

    // Add first asks before it overwrites the space; No ends it.
    messages.answer(Answer::No);
    click("Button3");
    EXPECT_EQ(messages.boxes().value(0).text, "Overwrite selected file?");
    EXPECT_TRUE(fileDialogs.requests().isEmpty());
}

TEST_F(MyFiles, AddAfterDeleteOpensTheFileDialogWithoutAsking)
{
    showDialog();
    list().setCurrentRow(2);
    messages.answer(Answer::Yes);
    click("Button2");
    EXPECT_EQ(messages.boxes().value(0).text, "Delete selected file?");
    EXPECT_EQ(stored(3), "");
    EXPECT_EQ(stored(1), " ");
    EXPECT_FALSE(button("Button1").isEnabled());
    EXPECT_FALSE(button("Button2").isEnabled());
    EXPECT_TRUE(button("Button3").isDefault());

    messages.clear();
    const QString path = writeFile("fav.rtf", "{\\rtf1 fav}");
    fileDialogs.choose(path);
    click("Button3");
    EXPECT_TRUE(messages.boxes().isEmpty());
    ASSERT_EQ(fileDialogs.requests().size(), 1);
    EXPECT_EQ(fileDialogs.requests().first().title, "Add File");
    EXPECT_TRUE(fileDialogs.requests().first().mustExist);
    EXPECT_EQ(fileDialogs.requests().first().filter, app().document().openFilter);
    EXPECT_EQ(stored(3), path);
    EXPECT_EQ(list().item(2)->text(), "fav.rtf");
    EXPECT_TRUE(button("Button1").isEnabled());
    EXPECT_TRUE(button("Button1").isDefault());
}

TEST_F(MyFiles, DeleteNoAndCancelledAddChangeNothing)
{
    showDialog();
    messages.answer(Answer::No);
    click("Button2");
    EXPECT_EQ(stored(1), "<no key>");
    messages.answer(Answer::Yes);
    fileDialogs.cancelNext();
    click("Button3");
    EXPECT_EQ(stored(1), "<no key>");
    EXPECT_EQ(list().item(0)->text(), " ");
}

TEST_F(MyFiles, AddCurrentFileTakesTheDocumentPath)
{
    showDialog();
    // A never-saved document empties the slot.
    messages.answer(Answer::Yes);
    QTest::keyClick(&list(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(stored(1), "");
    EXPECT_FALSE(button("Button1").isEnabled());

    const QString path = writeFile("current.txt", "now");
    loadNamedFile(app(), path);
    ASSERT_TRUE(dialog().isVisible());
    list().setCurrentRow(0);
    QTest::keyClick(&list(), Qt::Key_A, Qt::ControlModifier);  // an empty slot: no question
    list().setCurrentRow(5);
    messages.answer(Answer::Yes);
    QTest::keyClick(&list(), Qt::Key_A, Qt::ControlModifier);
    // The same file may stand in two slots.
    EXPECT_EQ(stored(1), path);
    EXPECT_EQ(stored(6), path);
    EXPECT_EQ(messages.boxes().size(), 2);
}

TEST_F(MyFiles, OpeningASlotPutsItOnTopOfTheRecentListOnly)
{
    const QString path = writeFile("novel.txt", "chapter one");
    showDialog();
    list().setCurrentRow(3);
    messages.answer(Answer::Yes);
    fileDialogs.choose(path);
    click("Button3");
    click("Button1");
    EXPECT_EQ(editor().text(), "chapter one");
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_EQ(RegKey::openSettingsRead(registry(), "RecentFiles")->readString("Recent01"), path);
    EXPECT_EQ(stored(4), path);
    EXPECT_EQ(stored(1), " ");
}

TEST_F(MyFiles, F7TogglesAndTheListSurvivesARestart)
{
    showDialog();
    EXPECT_TRUE(dialog().isVisible());
    QTest::keyClick(&list(), Qt::Key_F7);
    EXPECT_FALSE(dialog().isVisible());

    RegKey::openSettingsWrite(registry(), "MyFiles").writeString("My02", "/kept/there.rtf");
    restart();
    showDialog();
    EXPECT_EQ(list().item(1)->text(), "there.rtf");
    QTest::keyClick(&list(), Qt::Key_Down);
    QTest::keyClick(&list(), Qt::Key_I, Qt::ControlModifier);
    EXPECT_EQ(messages.texts().value(0), "/kept/there.rtf");
}

}  // namespace
