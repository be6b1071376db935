// The Setup window at start-up and from its command, the registry install
// and the uninstall, driven as the user runs them.
#include "support/AppFixture.h"

#include "app/Applic.h"
#include "app/Commands.h"
#include "editor/RichEdit.h"
#include "settings/Window_FirstRun.h"
#include "settings/Window_Settings.h"
#include "store/Registry.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace qp;
using namespace qp::test;

namespace {

const QString Root = settingsRoot();

class FirstRun : public AppFixture {
protected:
    FirstRun() { registry().deleteKey(Hive::CurrentUser, Root); }

    TForm_FirstRun* setup() const { return app().findChild<TForm_FirstRun*>("TForm_FirstRun"); }
    QString label(const char* name) const { return setup()->findChild<QLabel*>(name)->text(); }
    void clickOk() const { setup()->findChild<QPushButton*>("Button_OK")->click(); }

    int settingsValue(const QString& subkey, const QString& name)
    {
        return RegKey::openSettingsRead(registry(), subkey)->readInteger(name);
    }
    QString classesDefault(const QString& key)
    {
        const auto open = RegKey::openRead(registry(), Hive::ClassesRoot, key);
        return open ? open->readString(QString()) : QStringLiteral("<absent>");
    }
};

TEST_F(FirstRun, FirstStartShowsSetupWithNoneAndFocusOnOk)
{
    start();
    ASSERT_TRUE(setup()->isVisible());
    EXPECT_EQ(label("Label_InstalledVersion"), "Installed version:\t\tNone");
    EXPECT_EQ(label("Label_ThisVersion"), "This version:\t\t2.03");
    EXPECT_TRUE(setup()->findChild<QRadioButton*>("RadioButton_Install")->isChecked());
    EXPECT_EQ(setup()->focusWidget(), setup()->findChild<QPushButton*>("Button_OK"));
    EXPECT_TRUE(setup()->windowFlags() & Qt::WindowStaysOnTopHint);
}

TEST_F(FirstRun, AnotherStoredVersionIsShownAndTheInstalledOneShowsNoSetup)
{
    RegKey::openSettingsWrite(registry(), "Miscellaneous").writeString("Version", "1.7");
    start();
    ASSERT_TRUE(setup()->isVisible());
    EXPECT_EQ(label("Label_InstalledVersion"), "Installed version:\t\t1.7");

    RegKey::openSettingsWrite(registry(), "Miscellaneous").writeString("Version", "2.03");
    restart();
    EXPECT_FALSE(setup()->isVisible());
    // The command still opens it.
    app().runCommand(Command::Tools_Setup);
    EXPECT_TRUE(setup()->isVisible());
    EXPECT_EQ(label("Label_InstalledVersion"), "Installed version:\t\t2.03");
}

TEST_F(FirstRun, InstallWritesTheInitialValuesAndTheNextStartShowsNoSetup)
{
    start();
    messages.answer(Answer::Yes);
    clickOk();

    ASSERT_EQ(messages.texts(), (QStringList{"Quillpress will now perform a registry install.     \rContinue?",
                                             "Quillpress succesfully installed!"}));
    EXPECT_FALSE(setup()->isVisible());
    EXPECT_EQ(RegKey::openSettingsRead(registry(), "Miscellaneous")->readString("Version"), "2.03");
    EXPECT_EQ(settingsValue("Settings", "Default_LinesPerPage"), 58);
    EXPECT_EQ(settingsValue("Settings", "Default_FileName"), 1);
    EXPECT_EQ(settingsValue("Settings", "AutoIndent_Enabled"), 1);
    EXPECT_EQ(settingsValue("Settings", "Default_DialogPosition"), 1);
    EXPECT_EQ(RegKey::openSettingsRead(registry(), "Settings")->readString("Default_DateFormat"), "yyyy-mm-dd");
    for (const char* margin : {"Default_LeftMargin", "Default_RightMargin", "Default_TopMargin", "Default_BottomMargin"})
        EXPECT_EQ(settingsValue("PrintOptions", margin), 2) << margin;
    EXPECT_EQ(settingsValue("PrintOptions", "Default_Header"), 1);
    EXPECT_EQ(RegKey::openSettingsRead(registry(), "TextSpecifications")->readString("Default_FontName"),
              "Courier New");
    EXPECT_EQ(settingsValue("TextSpecifications", "Default_FontSize"), 10);
    EXPECT_EQ(settingsValue("TextSpecifications", "Default_AlignLeft"), 1);
    EXPECT_EQ(classesDefault(".rtf"), "Quillpress RTF-File");
    EXPECT_EQ(classesDefault(".txt"), "Quillpress TXT-File");
    EXPECT_TRUE(registry().keyExists(Hive::ClassesRoot, "*\\Shell\\Send to Quillpress\\Command"));
    QStringList desktop;
    for (const auto& call : shell.calls)
        desktop << call.what + " " + call.path + call.parameters;
    EXPECT_TRUE(desktop.contains("default handler text/rtf")) << desktop.join(" | ").toStdString();
    EXPECT_TRUE(desktop.contains("default handler application/rtf"));
    EXPECT_TRUE(desktop.contains("default handler text/plain"));
    EXPECT_TRUE(desktop.contains("send to on"));
    EXPECT_EQ(app().options().linesPerPage, 58);
    EXPECT_TRUE(app().options().notesFileName);

    messages.clear();
    restart();
    EXPECT_FALSE(setup()->isVisible());
    EXPECT_TRUE(messages.boxes().isEmpty()) << messages.texts().join(" | ").toStdString();
    EXPECT_TRUE(app().options().autoIndent);
}

TEST_F(FirstRun, AnsweringNoOrCancelWritesNothing)
{
    start();
    messages.answer(Answer::No);
    clickOk();
    EXPECT_TRUE(setup()->isVisible());
    setup()->findChild<QPushButton*>("Button_Cancel")->click();
    EXPECT_FALSE(setup()->isVisible());
    EXPECT_FALSE(registry().keyExists(Hive::CurrentUser, Root + "\\Miscellaneous"));
    EXPECT_FALSE(registry().keyExists(Hive::ClassesRoot, ".rtf") && classesDefault(".rtf") == "Quillpress RTF-File");
    restart();
    EXPECT_TRUE(setup()->isVisible());
}

TEST_F(FirstRun, UninstallRemovesTheRootAndTheIntegrationAndEndsTheProgram)
{
    start();
    messages.answer(Answer::Yes);
    clickOk();
    app().runCommand(Command::Tools_Setup);
    setup()->findChild<QRadioButton*>("RadioButton_Uninstall")->setChecked(true);
    messages.clear();
    messages.answer(Answer::Yes);
    clickOk();

    EXPECT_EQ(messages.texts(), (QStringList{"Quillpress will now perform a registry uninstall.     \rContinue?",
                                             "Quillpress succesfully uninstalled!"}));
    EXPECT_FALSE(registry().keyExists(Hive::CurrentUser, Root));
    EXPECT_FALSE(registry().keyExists(Hive::ClassesRoot, ".rtf"));
    EXPECT_FALSE(registry().keyExists(Hive::ClassesRoot, "Quillpress TXT-File"));
    EXPECT_FALSE(registry().keyExists(Hive::ClassesRoot, "*\\Shell\\Send to Quillpress"));
    EXPECT_EQ(shell.calls.last().what, "associations");
    EXPECT_EQ(shell.calls[shell.calls.size() - 2].what, "remove integration");
    EXPECT_TRUE(app().endRequested());
}

TEST_F(FirstRun, UninstallCancelledAtTheSaveQueryKeepsTheProgramRunning)
{
    RegKey::openSettingsWrite(registry(), "Miscellaneous").writeString("Version", "2.03");
    start();
    setup()->hide();
    editor().setFocus();
    type("draft");
    app().runCommand(Command::Tools_Setup);
    setup()->findChild<QRadioButton*>("RadioButton_Uninstall")->setChecked(true);
    messages.answer(Answer::Yes);
    messages.answer(Answer::Cancel);
    clickOk();

    EXPECT_FALSE(app().endRequested());
    EXPECT_FALSE(messages.texts().contains("Quillpress succesfully uninstalled!"));
    EXPECT_EQ(editor().text(), "draft");
    // Asked before anything went: the program is still installed as it was.
    EXPECT_TRUE(registry().keyExists(Hive::CurrentUser, Root + "\\Miscellaneous"));
    for (const auto& call : shell.calls)
        EXPECT_NE(call.what, "remove integration");
}

TEST_F(FirstRun, UninstallSwitchAlsoTakesTheAssociationsAway)
{
    RegKey::openSettingsWrite(registry(), "Miscellaneous").writeString("Version", "2.03");
    start();
    EXPECT_FALSE(setup()->isVisible());
    app().runCommand(Command::Tools_Setup);
    messages.answer(Answer::Yes);
    clickOk();
    stop();
    messages.clear();

    start({"/u"});
    EXPECT_FALSE(registry().keyExists(Hive::CurrentUser, Root));
    EXPECT_FALSE(registry().keyExists(Hive::ClassesRoot, ".txt"));
    EXPECT_FALSE(registry().keyExists(Hive::ClassesRoot, "Quillpress RTF-File"));
    EXPECT_TRUE(app().endRequested());
    EXPECT_TRUE(messages.boxes().isEmpty());
}

// After the install the user gives plain text to another editor on the
// desktop; the Settings dialog shows it, and an OK that changes only the Run
// field leaves the desktop's associations alone.
TEST_F(FirstRun, SettingsOkAfterTheUserChoseAnotherEditorTakesNothingBack)
{
    start();
    messages.answer(Answer::Yes);
    clickOk();
    shell.defaults.removeAll("text/plain");
    shell.calls.clear();

    app().runCommand(Command::Tools_Settings);
    auto* settings = app().windows().settings;
    ASSERT_TRUE(settings->isVisible());
    EXPECT_FALSE(settings->findChild<QCheckBox*>("CheckBox_AssociateTxt")->isChecked());
    EXPECT_TRUE(settings->findChild<QCheckBox*>("CheckBox_AssociateRtf")->isChecked());
    settings->findChild<QLineEdit*>("Edit_RunPath")->setText("/usr/bin/fmt");
    settings->findChild<QPushButton*>("Button_OK")->click();

    EXPECT_FALSE(settings->isVisible());
    for (const auto& call : shell.calls)
        EXPECT_TRUE(call.what != "default handler" && call.what != "restore handler")
            << call.what.toStdString() << " " << call.path.toStdString();
    EXPECT_FALSE(shell.isDefaultHandler("text/plain"));
    EXPECT_EQ(app().options().runPath, "/usr/bin/fmt");
}

}  // namespace
