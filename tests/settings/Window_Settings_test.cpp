#include "settings/Window_Settings.h"

#include "platform/Errors.h"
#include "platform/FileDialogService.h"
#include "platform/MessageService.h"
#include "store/Registry.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace qp {
namespace {

class FakeMessages : public MessageService {
public:
    void information(const QString& text) override { shown << "information: " + text; }
    Answer confirm(const QString& text, Buttons) override
    {
        shown << "confirm: " + text;
        return Answer::Yes;
    }
    Answer retryNo(const QString&, const QString& text) override
    {
        shown << "retryNo: " + text;
        return Answer::No;
    }
    void error(const QString& text) override { shown << "error: " + text; }
    void plain(const QString& text) override { shown << "plain: " + text; }

    QStringList shown;
};

class FakeFileDialogs : public FileDialogService {
public:
    FileDialogResult open(const FileDialogRequest& request) override
    {
        requests.push_back(request);
        return answer;
    }
    FileDialogResult save(const FileDialogRequest& request) override
    {
        requests.push_back(request);
        return answer;
    }

    std::vector<FileDialogRequest> requests;
    FileDialogResult answer;
};

class RecordingHost : public SettingsHost {
public:
    void setRunEnabled(bool enabled) override { calls << QStringLiteral("run %1").arg(enabled ? "on" : "off"); }
    void setEscToQuit(bool on) override { calls << QStringLiteral("esc %1").arg(on ? "on" : "off"); }
    void refreshUntitledDocumentType() override { calls << "untitled type"; }
    void associate(const QString& extension, const QString& fileClass) override
    {
        calls << "associate " + extension + " " + fileClass;
    }
    void removeAssociation(const QString& extension, const QString& fileClass) override
    {
        calls << "remove " + extension + " " + fileClass;
    }
    void addSendTo() override { calls << "add send to"; }
    void removeSendTo() override { calls << "remove send to"; }
    bool desktopOpensWithUs(const QString& extension) override { return !givenToOthers.contains(extension); }
    void notifyAssociationsChanged() override { calls << "notify"; }

    QStringList calls;
    QStringList givenToOthers;  // extensions the desktop opens with another program
};

// A complete Settings key, as an earlier OK would have left it.
void writeFullSettings(Registry& registry)
{
    RegKey key = RegKey::openSettingsWrite(registry, "Settings");
    key.writeString("Default_DateFormat", "dd.mm.yyyy");
    key.writeString("Default_TimeFormat", "h:nn am/pm");
    key.writeInteger("Default_FileType", 1);
    key.writeInteger("Default_LinesPerPage", 42);
    key.writeString("Run_Path", "/usr/bin/wc");
    key.writeInteger("Default_FileName", 0);
    key.writeInteger("Default_RTF", 0);
    key.writeInteger("Default_TXT", 1);
    key.writeInteger("Default_Context", 0);
    key.writeInteger("Default_DialogPosition", 0);
    key.writeInteger("AutoIndent_Enabled", 0);
    key.writeInteger("Default_Esc", 1);
}

void makeTxtOurs(Registry& registry)
{
    RegKey::openWrite(registry, Hive::ClassesRoot, ".txt").writeString(QString(), "Quillpress TXT-File");
}

class SettingsDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        registry = std::make_unique<Registry>(folder.path());
        form = std::make_unique<TForm_Settings>(*registry, messages, fileDialogs, options, host);
    }

    template <typename T>
    T* control(const char* name)
    {
        T* found = form->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QCheckBox* box(const char* name) { return control<QCheckBox>(name); }
    QLineEdit* edit(const char* name) { return control<QLineEdit>(name); }
    QComboBox* fileType() { return control<QComboBox>("ComboBox_FileType"); }
    void clickOk() { control<QPushButton>("Button_OK")->click(); }

    std::optional<RegKey> storedSettings() { return RegKey::openSettingsRead(*registry, "Settings"); }

    QTemporaryDir folder;
    std::unique_ptr<Registry> registry;
    FakeMessages messages;
    FakeFileDialogs fileDialogs;
    RecordingHost host;
    SettingsOptions options;
    std::unique_ptr<TForm_Settings> form;
};

TEST_F(SettingsDialog, BuiltInStateAndCaptions)
{
    EXPECT_EQ(form->windowTitle(), "Settings");
    EXPECT_FALSE(form->isModal());
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);

    const struct {
        const char* name;
        QString caption;
        bool ticked;
    } boxes[] = {
        {"CheckBox_AssociateRtf", "Associate Ric&h Text Format Files (*.rtf) ", true},
        {"CheckBox_AssociateTxt", "&Associate Text Files (*.txt)", true},
        {"CheckBox_SendTo", "Send to Quillpress Me&nu item", true},
        {"CheckBox_AutoIndent", "Auto Indent, &Bullets and Numbering", false},
        {"CheckBox_NotesFileName", "&Use 'Notes' + Date as Default Filename ", true},
        {"CheckBox_DialogPosition", "Remember &Dialog Position", true},
        {"CheckBox_Esc", "Use  &Esc to quit program", false},
        {"CheckBox_Recovery", "Keep &Recovery Copies of Unsaved Documents", true},
    };
    for (const auto& b : boxes) {
        QCheckBox* c = box(b.name);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->text(), b.caption) << b.name;
        EXPECT_EQ(c->isChecked(), b.ticked) << b.name;
    }
    EXPECT_EQ(edit("Edit_LinesPerPage")->text(), "58");
    EXPECT_EQ(edit("Edit_DateFormat")->text(), "yyyy-mm-dd");
    EXPECT_EQ(edit("Edit_TimeFormat")->text(), "hh:mm");
    EXPECT_EQ(edit("Edit_RunPath")->text(), "");
    ASSERT_EQ(fileType()->count(), 2);
    EXPECT_EQ(fileType()->itemText(0), "Rich Text Format (*.rtf)");
    EXPECT_EQ(fileType()->itemText(1), "Text (*.txt)");
    EXPECT_EQ(fileType()->currentIndex(), 0);
    EXPECT_FALSE(fileType()->isEditable());
    EXPECT_TRUE(control<QPushButton>("Button_OK")->isDefault());
    EXPECT_EQ(control<QPushButton>("Button_Cancel")->text(), "C&ancel");
}

TEST_F(SettingsDialog, ShowLoadsStoredValuesIntoMemoryControlsAndCommands)
{
    writeFullSettings(*registry);
    makeTxtOurs(*registry);
    form->showSettings();

    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join('\n').toStdString();
    EXPECT_EQ(edit("Edit_DateFormat")->text(), "dd.mm.yyyy");
    EXPECT_EQ(edit("Edit_TimeFormat")->text(), "h:nn am/pm");
    EXPECT_EQ(fileType()->currentIndex(), 1);
    EXPECT_EQ(edit("Edit_LinesPerPage")->text(), "42");
    EXPECT_EQ(edit("Edit_RunPath")->text(), "/usr/bin/wc");
    EXPECT_FALSE(box("CheckBox_NotesFileName")->isChecked());
    EXPECT_FALSE(box("CheckBox_AssociateRtf")->isChecked());
    EXPECT_TRUE(box("CheckBox_AssociateTxt")->isChecked());
    EXPECT_FALSE(box("CheckBox_SendTo")->isChecked());
    EXPECT_FALSE(box("CheckBox_DialogPosition")->isChecked());
    EXPECT_FALSE(box("CheckBox_AutoIndent")->isChecked());
    EXPECT_TRUE(box("CheckBox_Esc")->isChecked());

    EXPECT_EQ(options.dateFormat, "dd.mm.yyyy");
    EXPECT_EQ(options.timeFormat, "h:nn am/pm");
    EXPECT_EQ(options.defaultFileType, FileType::Text);
    EXPECT_EQ(options.linesPerPage, 42);
    EXPECT_EQ(options.runPath, "/usr/bin/wc");
    EXPECT_FALSE(options.notesFileName);
    EXPECT_FALSE(options.rememberDialogPosition);
    EXPECT_FALSE(options.autoIndent);
    EXPECT_EQ(host.calls, QStringList({"run on", "esc on"}));
}

TEST_F(SettingsDialog, WithoutSettingsKeyEverythingKeepsItsState)
{
    form->showSettings();
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_TRUE(host.calls.isEmpty());
    EXPECT_EQ(edit("Edit_LinesPerPage")->text(), "58");
    EXPECT_EQ(options.linesPerPage, 10);
    EXPECT_TRUE(options.autoIndent);
    // Neither association is the program's on a clean system.
    EXPECT_FALSE(box("CheckBox_AssociateRtf")->isChecked());
    EXPECT_FALSE(box("CheckBox_AssociateTxt")->isChecked());
    EXPECT_TRUE(box("CheckBox_SendTo")->isChecked());
    EXPECT_TRUE(registry->keyExists(Hive::ClassesRoot, ".txt"));
    EXPECT_TRUE(registry->keyExists(Hive::ClassesRoot, ".rtf"));
}

TEST_F(SettingsDialog, AbsentOptionalValuesKeepDefaults)
{
    RegKey key = RegKey::openSettingsWrite(*registry, "Settings");
    for (const char* name : {"Default_FileType", "Default_LinesPerPage", "Default_FileName", "Default_RTF",
                             "Default_TXT", "Default_Context", "Default_DialogPosition"})
        key.writeInteger(name, 1);
    options.autoIndent = false;
    form->loadSettings();
    EXPECT_EQ(edit("Edit_DateFormat")->text(), "");  // an absent string reads as empty
    EXPECT_FALSE(options.autoIndent);                // the in-memory flag is the default
    EXPECT_FALSE(box("CheckBox_Esc")->isChecked());
    EXPECT_EQ(host.calls, QStringList({"run off", "esc off"}));
}

TEST_F(SettingsDialog, StoredValuesOutOfRangeAreBroughtIntoRange)
{
    writeFullSettings(*registry);
    RegKey key = RegKey::openSettingsWrite(*registry, "Settings");
    key.writeInteger("Default_LinesPerPage", 0);
    key.writeInteger("Default_FileType", 7);
    form->loadSettings();
    EXPECT_EQ(options.linesPerPage, 1);
    EXPECT_EQ(edit("Edit_LinesPerPage")->text(), "1");
    EXPECT_EQ(options.defaultFileType, FileType::Rtf);
    EXPECT_EQ(fileType()->currentIndex(), 0);

    key.writeInteger("Default_LinesPerPage", 5000);
    form->loadSettings();
    EXPECT_EQ(options.linesPerPage, 999);
    EXPECT_EQ(edit("Edit_LinesPerPage")->text(), "999");
}

// A Settings key lacking one of the values the program needs: the load goes
// on to the end, the missing one keeping the option as it was (the running
// program tells the user once, through the store's missing-values handler).
struct MissingValueCase {
    const char* name;
    const char* missing;
};

void PrintTo(const MissingValueCase& c, std::ostream* os) { *os << c.name; }

class SettingsLoadMissing : public SettingsDialog, public ::testing::WithParamInterface<MissingValueCase> {};

TEST_P(SettingsLoadMissing, KeepsThatOptionAndReadsTheRest)
{
    const MissingValueCase& c = GetParam();
    const QString missing = QString::fromLatin1(c.missing);
    writeFullSettings(*registry);
    RegKey::openSettingsWrite(*registry, "Settings").deleteValue(missing);
    makeTxtOurs(*registry);
    QStringList told;
    registry->setMissingValuesHandler(
        [&](const QString&, const QString&, const QStringList& names, const QString&) { told << names; });

    form->showSettings();

    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join('\n').toStdString();
    EXPECT_EQ(told, QStringList{missing});
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(options.dateFormat, "dd.mm.yyyy");
    EXPECT_EQ(fileType()->currentIndex(), missing == "Default_FileType" ? 0 : 1);
    EXPECT_EQ(options.linesPerPage, missing == "Default_LinesPerPage" ? 10 : 42);
    EXPECT_EQ(edit("Edit_LinesPerPage")->text(), missing == "Default_LinesPerPage" ? "10" : "42");
    EXPECT_EQ(edit("Edit_RunPath")->text(), "/usr/bin/wc");
    EXPECT_FALSE(box("CheckBox_SendTo")->isChecked());
    EXPECT_FALSE(options.rememberDialogPosition);
    // Read after every value the program needs: the store's gaps never stop them.
    EXPECT_TRUE(host.calls.contains("esc on"));
    EXPECT_FALSE(options.autoIndent);
}

INSTANTIATE_TEST_SUITE_P(
    NeededValues, SettingsLoadMissing,
    ::testing::Values(MissingValueCase{"FileType", "Default_FileType"},
                      MissingValueCase{"LinesPerPage", "Default_LinesPerPage"},
                      MissingValueCase{"FileName", "Default_FileName"},
                      MissingValueCase{"Context", "Default_Context"},
                      MissingValueCase{"DialogPosition", "Default_DialogPosition"}));

TEST_F(SettingsDialog, WrongTypeFailsWithTheStoresMessage)
{
    writeFullSettings(*registry);
    RegKey::openSettingsWrite(*registry, "Settings").writeString("Default_LinesPerPage", "42");
    try {
        form->loadSettings();
        ADD_FAILURE() << "the load did not fail";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(), "Invalid data type for 'Default_LinesPerPage'");
    }
    EXPECT_EQ(edit("Edit_DateFormat")->text(), "dd.mm.yyyy");
}

TEST_F(SettingsDialog, AssociationTakenByAnotherProgramShowsUntickedAndOkRemovesNothingOfIt)
{
    writeFullSettings(*registry);
    RegKey::openSettingsWrite(*registry, "Settings").writeInteger("Default_RTF", 1);
    RegKey::openWrite(*registry, Hive::ClassesRoot, ".rtf").writeString(QString(), "OtherWriter.Document");
    makeTxtOurs(*registry);

    form->showSettings();
    EXPECT_FALSE(box("CheckBox_AssociateRtf")->isChecked());
    EXPECT_TRUE(box("CheckBox_AssociateTxt")->isChecked());

    clickOk();
    EXPECT_FALSE(host.calls.contains("remove .rtf Quillpress RTF-File"));
    EXPECT_FALSE(host.calls.contains("associate .rtf Quillpress RTF-File"));
    EXPECT_EQ(storedSettings()->readInteger("Default_RTF"), 0);
    EXPECT_EQ(RegKey::openRead(*registry, Hive::ClassesRoot, ".rtf")->readString(QString()), "OtherWriter.Document");
}

// The user gave plain text to another program on the desktop (xdg-mime
// default ...): the box shows it, and an OK that leaves the box alone leaves
// the desktop alone; ticking the box takes the type back.
TEST_F(SettingsDialog, AssociationBoxesShowTheDesktopAndOkChangesOnlyTheBoxesTheUserChanged)
{
    writeFullSettings(*registry);
    makeTxtOurs(*registry);
    host.givenToOthers << ".txt";

    form->showSettings();
    EXPECT_FALSE(box("CheckBox_AssociateTxt")->isChecked());
    edit("Edit_RunPath")->setText("/usr/bin/fmt");
    host.calls.clear();
    clickOk();
    for (const QString& call : host.calls)
        EXPECT_FALSE(call.contains(".txt") || call.contains(".rtf")) << call.toStdString();
    EXPECT_EQ(storedSettings()->readInteger("Default_TXT"), 0);

    form->showSettings();
    box("CheckBox_AssociateTxt")->setChecked(true);
    host.calls.clear();
    clickOk();
    EXPECT_TRUE(host.calls.contains("associate .txt Quillpress TXT-File"));
    EXPECT_FALSE(host.calls.contains("associate .rtf Quillpress RTF-File"));
    EXPECT_EQ(storedSettings()->readInteger("Default_TXT"), 1);

    // Ours again on the desktop: unticking gives it back.
    host.givenToOthers.clear();
    form->showSettings();
    EXPECT_TRUE(box("CheckBox_AssociateTxt")->isChecked());
    box("CheckBox_AssociateTxt")->setChecked(false);
    host.calls.clear();
    clickOk();
    EXPECT_TRUE(host.calls.contains("remove .txt Quillpress TXT-File"));
}

TEST_F(SettingsDialog, LinesPerPageTakesOnlyThreeTypedDigits)
{
    QLineEdit* lines = edit("Edit_LinesPerPage");
    struct {
        const char* typed;
        const char* shown;
    } cases[] = {{"12a", "12"}, {"1234", "123"}, {"x-7 9", "79"}, {"", ""}};
    for (const auto& c : cases) {
        lines->clear();
        QTest::keyClicks(lines, c.typed);
        EXPECT_EQ(lines->text(), c.shown) << c.typed;
    }
    lines->setText("45");
    lines->setCursorPosition(2);
    QTest::keyClick(lines, Qt::Key_Backspace);
    EXPECT_EQ(lines->text(), "4");
    EXPECT_EQ(lines->contextMenuPolicy(), Qt::PreventContextMenu);
    EXPECT_EQ(fileType()->contextMenuPolicy(), Qt::PreventContextMenu);
}

// Pasted text the filter does not see, or a 0: OK fails at Lines per Page.
// The formats and file type are already taken; nothing is stored or changed.
TEST_F(SettingsDialog, BadLinesPerPageStopsOkBeforeAnythingIsStored)
{
    const struct {
        const char* text;
        QString message;
    } cases[] = {
        {"1a", "error: '1a' is not a valid integer value"},
        {"", "error: '' is not a valid integer value"},
        {"0", "error: Lines per Page must be a number from 1 to 999."},
        {"-5", "error: Lines per Page must be a number from 1 to 999."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        messages.shown.clear();
        options = SettingsOptions();
        form->show();
        edit("Edit_DateFormat")->setText("d/m");
        edit("Edit_TimeFormat")->setText("hh");
        fileType()->setCurrentIndex(1);
        edit("Edit_LinesPerPage")->setText(c.text);
        box("CheckBox_NotesFileName")->setChecked(false);

        clickOk();

        EXPECT_EQ(messages.shown, QStringList({c.message}));
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(options.dateFormat, "d/m");
        EXPECT_EQ(options.timeFormat, "hh");
        EXPECT_EQ(options.defaultFileType, FileType::Text);
        EXPECT_EQ(options.linesPerPage, 10);
        EXPECT_FALSE(options.notesFileName);  // the built-in value, not yet taken from the box
        EXPECT_TRUE(host.calls.isEmpty()) << host.calls.join(", ").toStdString();
        EXPECT_FALSE(registry->keyExists(Hive::CurrentUser, settingsRoot() + "\\Settings"));
    }
}

TEST_F(SettingsDialog, OkStoresEveryValueAndRunsTheStepsInOrder)
{
    form->showSettings();
    box("CheckBox_AssociateRtf")->setChecked(true);
    box("CheckBox_AssociateTxt")->setChecked(false);
    box("CheckBox_SendTo")->setChecked(true);
    QLineEdit* lines = edit("Edit_LinesPerPage");
    lines->clear();
    QTest::keyClicks(lines, "66");
    box("CheckBox_AutoIndent")->setChecked(true);
    fileType()->setCurrentIndex(1);
    box("CheckBox_NotesFileName")->setChecked(false);
    edit("Edit_DateFormat")->setText("dddddd");
    edit("Edit_TimeFormat")->setText("");
    edit("Edit_RunPath")->setText("/usr/bin/gedit");
    box("CheckBox_DialogPosition")->setChecked(false);
    box("CheckBox_Esc")->setChecked(true);
    options.autoIndent = false;

    clickOk();

    EXPECT_TRUE(messages.shown.isEmpty()) << messages.shown.join('\n').toStdString();
    EXPECT_FALSE(form->isVisible());
    // The text box showed unticked (nothing is associated yet) and stays so:
    // only the ticked RTF box changes the desktop.
    EXPECT_EQ(host.calls, QStringList({"untitled type", "associate .rtf Quillpress RTF-File", "add send to", "notify",
                                       "run on", "esc on"}));

    EXPECT_EQ(options.dateFormat, "dddddd");
    EXPECT_EQ(options.timeFormat, "");
    EXPECT_EQ(options.defaultFileType, FileType::Text);
    EXPECT_EQ(options.linesPerPage, 66);
    EXPECT_FALSE(options.notesFileName);
    EXPECT_EQ(options.runPath, "/usr/bin/gedit");
    EXPECT_FALSE(options.rememberDialogPosition);
    EXPECT_TRUE(options.autoIndent);
    EXPECT_TRUE(options.escToQuit);

    const std::optional<RegKey> key = storedSettings();
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readString("Default_DateFormat"), "dddddd");
    EXPECT_TRUE(key->valueExists("Default_TimeFormat"));
    EXPECT_EQ(key->readString("Default_TimeFormat"), "");
    EXPECT_EQ(key->readInteger("Default_FileType"), 1);
    EXPECT_EQ(key->readInteger("Default_LinesPerPage"), 66);
    EXPECT_EQ(key->readInteger("Default_FileName"), 0);
    EXPECT_EQ(key->readInteger("AutoIndent_Enabled"), 1);
    EXPECT_EQ(key->readString("Run_Path"), "/usr/bin/gedit");
    EXPECT_EQ(key->readInteger("Default_Esc"), 1);
    EXPECT_EQ(key->readInteger("Default_RTF"), 1);
    EXPECT_EQ(key->readInteger("Default_TXT"), 0);
    EXPECT_EQ(key->readInteger("Default_Context"), 1);
    EXPECT_EQ(key->readInteger("Default_DialogPosition"), 0);

    // What OK stored is what the next show loads.
    form->setControlState(SettingsControls());
    form->loadSettings();
    EXPECT_EQ(edit("Edit_LinesPerPage")->text(), "66");
    EXPECT_EQ(edit("Edit_RunPath")->text(), "/usr/bin/gedit");
    EXPECT_TRUE(box("CheckBox_Esc")->isChecked());
}

TEST_F(SettingsDialog, EmptyRunFieldDisablesRunAndStoresEmptyPath)
{
    writeFullSettings(*registry);
    form->showSettings();
    edit("Edit_RunPath")->clear();
    host.calls.clear();
    clickOk();
    EXPECT_TRUE(host.calls.contains("run off"));
    EXPECT_TRUE(storedSettings()->valueExists("Run_Path"));
    EXPECT_EQ(storedSettings()->readString("Run_Path"), "");
    EXPECT_EQ(options.runPath, "");
}

TEST_F(SettingsDialog, InstallOkLeavesUntitledDocumentAndAutoIndentAlone)
{
    form->setInstallDefaults();
    box("CheckBox_AutoIndent")->setChecked(false);
    options.autoIndent = true;
    form->applyOk(OkMode::Install);
    EXPECT_FALSE(host.calls.contains("untitled type"));
    EXPECT_TRUE(options.autoIndent);
    EXPECT_EQ(storedSettings()->readInteger("AutoIndent_Enabled"), 1);
    EXPECT_EQ(storedSettings()->readInteger("Default_LinesPerPage"), 58);
    EXPECT_EQ(host.calls.mid(0, 4), QStringList({"associate .rtf Quillpress RTF-File",
                                                 "associate .txt Quillpress TXT-File", "add send to", "notify"}));
}

// Cancel, Escape and F4 close without applying or storing anything.
TEST_F(SettingsDialog, ClosingWithoutOkChangesNothing)
{
    writeFullSettings(*registry);
    makeTxtOurs(*registry);
    const std::function<void()> closers[] = {
        [this] { control<QPushButton>("Button_Cancel")->click(); },
        [this] { QTest::keyClick(edit("Edit_DateFormat"), Qt::Key_Escape); },
        [this] { QTest::keyClick(edit("Edit_DateFormat"), Qt::Key_F4); },
    };
    for (const auto& close : closers) {
        form->showSettings();
        const SettingsOptions before = options;
        host.calls.clear();
        box("CheckBox_AssociateTxt")->setChecked(false);
        box("CheckBox_Esc")->setChecked(false);
        edit("Edit_DateFormat")->setText("yy");
        edit("Edit_LinesPerPage")->setText("7");
        edit("Edit_RunPath")->clear();
        fileType()->setCurrentIndex(0);

        close();

        EXPECT_FALSE(form->isVisible());
        EXPECT_TRUE(host.calls.isEmpty());
        EXPECT_EQ(options.dateFormat, before.dateFormat);
        EXPECT_EQ(options.linesPerPage, before.linesPerPage);
        EXPECT_EQ(storedSettings()->readString("Default_DateFormat"), "dd.mm.yyyy");
        EXPECT_EQ(storedSettings()->readInteger("Default_LinesPerPage"), 42);
        // The edits stay while hidden; the next show loads the stored values over them.
        EXPECT_EQ(edit("Edit_DateFormat")->text(), "yy");
        form->showSettings();
        EXPECT_EQ(edit("Edit_DateFormat")->text(), "dd.mm.yyyy");
        EXPECT_TRUE(box("CheckBox_AssociateTxt")->isChecked());
        EXPECT_EQ(edit("Edit_LinesPerPage")->text(), "42");
        form->hide();
    }
}

TEST_F(SettingsDialog, EnterInAFieldPressesOk)
{
    form->showSettings();
    edit("Edit_LinesPerPage")->setText("30");
    QTest::keyClick(edit("Edit_DateFormat"), Qt::Key_Return);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(options.linesPerPage, 30);
}

TEST_F(SettingsDialog, BrowseButtonPutsThePickedProgramIntoTheRunField)
{
    edit("Edit_RunPath")->setText("/old");
    fileDialogs.answer = {true, "/usr/bin/kate", 2};
    control<QPushButton>("Button_RunBrowse")->click();
    ASSERT_EQ(fileDialogs.requests.size(), 1u);
    // In front of the dialog, listing programs first.
    EXPECT_EQ(fileDialogs.requests[0].parent, form.get());
    EXPECT_EQ(fileDialogs.requests[0].filter, "Executable Files|*|All Files|*");
    EXPECT_EQ(fileDialogs.requests[0].filterIndex, 1);
    EXPECT_EQ(fileDialogs.requests[0].programsEntry, 1);
    EXPECT_EQ(edit("Edit_RunPath")->text(), "/usr/bin/kate");

    fileDialogs.answer = {false, "/ignored", 1};
    control<QPushButton>("Button_RunBrowse")->click();
    EXPECT_EQ(edit("Edit_RunPath")->text(), "/usr/bin/kate");
}

TEST_F(SettingsDialog, DamagedClassesHiveIsReportedAndTheDialogStillShows)
{
    // A damaged hive file: every read and write of it fails with a message.
    form->show();
    {
        QFile hive(registry->hivePath(Hive::ClassesRoot));
        ASSERT_TRUE(hive.open(QIODevice::WriteOnly));
        hive.write("not a registry file\n[broken\n");
    }
    form->showSettings();
    ASSERT_FALSE(messages.shown.isEmpty());
    EXPECT_TRUE(messages.shown.first().startsWith("error: ")) << messages.shown.first().toStdString();
    EXPECT_TRUE(messages.shown.first().contains("HKEY_CLASSES_ROOT.reg")) << messages.shown.first().toStdString();
    EXPECT_TRUE(form->isVisible());
}

}  // namespace
}  // namespace qp
