#include "settings/FirstRun.h"

#include "platform/Errors.h"
#include "platform/MessageService.h"
#include "settings/Settings.h"
#include "store/Registry.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace qp {
namespace {

const QString Program = QStringLiteral("/opt/quillpress/quillpress");
const QString Rtf = QStringLiteral(".rtf");
const QString Txt = QStringLiteral(".txt");

// Every key under HKEY_CLASSES_ROOT with its values, "key|value=data".
QStringList dumpClasses(Registry& registry, const QString& key = QString())
{
    QStringList out;
    if (!key.isEmpty()) {
        const std::optional<RegKey> open = RegKey::openRead(registry, Hive::ClassesRoot, key);
        out << key;
        for (const QString& name : open->valueNames())
            out << key + QLatin1Char('|') + name + QLatin1Char('=') + open->readString(name);
    }
    for (const QString& sub : registry.subkeyNames(Hive::ClassesRoot, key))
        out << dumpClasses(registry, key.isEmpty() ? sub : key + QLatin1Char('\\') + sub);
    return out;
}

void writeValue(Registry& registry, const QString& key, const QString& name, const QString& data)
{
    RegKey::openWrite(registry, Hive::ClassesRoot, key).writeString(name, data);
}

QString defaultOf(Registry& registry, const QString& key)
{
    const std::optional<RegKey> open = RegKey::openRead(registry, Hive::ClassesRoot, key);
    return open ? open->readString(QString()) : QStringLiteral("<absent>");
}

class Associations : public ::testing::Test {
protected:
    QTemporaryDir dir;
    Registry registry{dir.path()};

    void otherProgramOwns(const QString& extension, const QString& otherClass)
    {
        writeValue(registry, extension, QString(), otherClass);
        writeValue(registry, otherClass + QStringLiteral("\\Shell\\Open\\Command"), QString(), QStringLiteral("other %1"));
    }
};

TEST_F(Associations, WritesTheTableWithQuotedCommandLines)
{
    associate(registry, Rtf, rtfFileClass(), Program);
    associate(registry, Txt, txtFileClass(), Program);
    const QStringList keys = dumpClasses(registry);
    for (const char* expected : {
             ".rtf|=Quillpress RTF-File",
             ".rtf\\ShellNew|FileName=Quillpress RTF-File",
             "Quillpress RTF-File|=Quillpress RTF-File",
             "Quillpress RTF-File\\DefaultIcon|=shell32.dll,-2",
             "Quillpress RTF-File\\Shell\\Open|=&Open",
             "Quillpress RTF-File\\Shell\\Open\\Command|=\"/opt/quillpress/quillpress\" \"%1\"",
             "Quillpress RTF-File\\Shell\\Print|=&Print...",
             "Quillpress RTF-File\\Shell\\Print\\Command|=\"/opt/quillpress/quillpress\" \"%1\" \"-p\"",
             "Quillpress TXT-File\\DefaultIcon|=shell32.dll,-152",
         })
        EXPECT_TRUE(keys.contains(QString::fromUtf8(expected))) << expected;
}

TEST_F(Associations, AnotherProgramsRtfGoesToTheBackupAndComesBackOnRemoval)
{
    otherProgramOwns(Rtf, QStringLiteral("Other.Document"));
    const QStringList before = dumpClasses(registry);

    associate(registry, Rtf, rtfFileClass(), Program);
    EXPECT_EQ(defaultOf(registry, Rtf), rtfFileClass());
    EXPECT_EQ(defaultOf(registry, QStringLiteral(".rtf_backup")), QStringLiteral("Other.Document"));
    // The other program's own class is left as it was.
    EXPECT_EQ(defaultOf(registry, QStringLiteral("Other.Document\\Shell\\Open\\Command")), QStringLiteral("other %1"));
    removeAssociation(registry, Rtf, rtfFileClass());
    EXPECT_EQ(dumpClasses(registry), before);

    // A second association keeps the first backup of the extension; the
    // program's class, present by then, goes to its own backup.
    associate(registry, Rtf, rtfFileClass(), Program);
    associate(registry, Rtf, rtfFileClass(), Program);
    EXPECT_EQ(defaultOf(registry, QStringLiteral(".rtf_backup")), QStringLiteral("Other.Document"));
    removeAssociation(registry, Rtf, rtfFileClass());
    EXPECT_EQ(defaultOf(registry, Rtf), QStringLiteral("Other.Document"));
    EXPECT_FALSE(registry.keyExists(Hive::ClassesRoot, QStringLiteral(".rtf_backup")));
}

TEST_F(Associations, AssociatingTwiceWithoutAnEarlierOwnerBacksUpTheProgramsOwnKeys)
{
    associate(registry, Rtf, rtfFileClass(), Program);
    associate(registry, Rtf, rtfFileClass(), Program);
    EXPECT_EQ(defaultOf(registry, QStringLiteral(".rtf_backup")), rtfFileClass());
    EXPECT_EQ(defaultOf(registry, QStringLiteral("Quillpress RTF-File_backup")), rtfFileClass());

    removeAssociation(registry, Rtf, rtfFileClass());
    EXPECT_EQ(defaultOf(registry, Rtf), rtfFileClass());
    EXPECT_EQ(defaultOf(registry, QStringLiteral("Quillpress RTF-File\\Shell\\Open")), QStringLiteral("&Open"));
    EXPECT_FALSE(registry.keyExists(Hive::ClassesRoot, QStringLiteral(".rtf_backup")));

    // Without backups the removal leaves the keys deleted.
    removeAssociation(registry, Rtf, rtfFileClass());
    EXPECT_FALSE(registry.keyExists(Hive::ClassesRoot, Rtf));
    EXPECT_FALSE(registry.keyExists(Hive::ClassesRoot, rtfFileClass()));
}

TEST_F(Associations, RemovingWhenAnotherProgramOwnsTheExtensionChangesNothing)
{
    associate(registry, Txt, txtFileClass(), Program);
    registry.deleteKey(Hive::ClassesRoot, Txt);
    otherProgramOwns(Txt, QStringLiteral("Other.Text"));
    const QStringList before = dumpClasses(registry);

    removeAssociation(registry, Txt, txtFileClass());
    EXPECT_EQ(dumpClasses(registry), before);
}

TEST_F(Associations, SendToEntryComesAndGoesLeavingTheShellKey)
{
    addSendTo(registry, Program);
    EXPECT_EQ(defaultOf(registry, QStringLiteral("*\\Shell\\Send to Quillpress\\Command")),
              QStringLiteral("\"/opt/quillpress/quillpress\" \"%1\""));
    EXPECT_TRUE(RegKey::openRead(registry, Hive::ClassesRoot, QStringLiteral("*\\Shell\\Send to Quillpress"))
                    ->valueNames()
                    .isEmpty());
    removeSendTo(registry);
    EXPECT_FALSE(registry.keyExists(Hive::ClassesRoot, QStringLiteral("*\\Shell\\Send to Quillpress")));
    EXPECT_TRUE(registry.keyExists(Hive::ClassesRoot, QStringLiteral("*\\Shell")));
}

TEST_F(Associations, InstalledVersionDecidesWhetherSetupIsDue)
{
    struct Case {
        const char* stored;  // nullptr: no Miscellaneous key
        bool due;
    };
    for (const Case c : {Case{nullptr, true}, Case{"", true}, Case{"2.02", true}, Case{"2.03", false}}) {
        registry.deleteKey(Hive::CurrentUser, settingsRoot());
        if (c.stored)
            RegKey::openSettingsWrite(registry, QStringLiteral("Miscellaneous"))
                .writeString(QStringLiteral("Version"), QString::fromUtf8(c.stored));
        EXPECT_EQ(setupNeeded(registry), c.due) << (c.stored ? c.stored : "no key");
    }
}

// Records the order of everything the install and the uninstall do.
class Recorder : public SetupHost, public SettingsHost, public MessageService {
public:
    explicit Recorder(Registry& registry) : m_registry(registry) {}
    QStringList steps;
    bool cancelSaveQuery = false;
    bool failDefaultFormat = false;
    bool applyToStore = false;  // the removals change the store, as the program's do

    void setInstallSettings() override { steps << "settings"; }
    void setInstallPrintOptions() override { steps << "print options"; }
    void reloadAutoWords() override { steps << "auto words"; }
    void setInstallTextSpecifications() override { steps << "text specifications"; }
    void savePrintOptions() override { steps << "save print options"; }
    void applyInstallSettings() override { steps << "settings ok, version " + installedVersion(m_registry); }
    void saveDefaultFormat() override
    {
        steps << "default format";
        if (failDefaultFormat)
            throw AppError(QStringLiteral("Failed to set data for 'Default_Name'"));
    }
    void querySave() override
    {
        steps << "save query";
        if (cancelSaveQuery)
            cancel();
    }
    void endProgram() override { steps << "end"; }
    void removeDesktopIntegration() override { steps << "remove desktop integration"; }

    void setRunEnabled(bool) override {}
    void setEscToQuit(bool) override {}
    void refreshUntitledDocumentType() override {}
    void associate(const QString& e, const QString&) override { steps << "associate " + e; }
    void removeAssociation(const QString& e, const QString& c) override
    {
        steps << "remove " + e + " " + c;
        if (applyToStore)
            qp::removeAssociation(m_registry, e, c);
    }
    void addSendTo() override { steps << "add send to"; }
    void removeSendTo() override
    {
        steps << "remove send to";
        if (applyToStore)
            qp::removeSendTo(m_registry);
    }
    bool desktopOpensWithUs(const QString&) override { return true; }
    void notifyAssociationsChanged() override { steps << "notify"; }

    void information(const QString& text) override { steps << "information: " + text; }
    Answer confirm(const QString& text, Buttons) override
    {
        steps << "confirm: " + text;
        return Answer::Yes;
    }
    Answer retryNo(const QString&, const QString&) override { return Answer::No; }
    void error(const QString& text) override { steps << "error: " + text; }
    void plain(const QString&) override {}

private:
    Registry& m_registry;
};

// The version goes in last: an install that fails half-way is offered again
// at the next start instead of passing for done.
TEST_F(Associations, InstallRunsItsStepsInOrderWritingTheVersionLast)
{
    Recorder host(registry);
    registryInstall(registry, host, host);
    EXPECT_EQ(host.steps, (QStringList{"settings", "print options", "auto words", "text specifications",
                                       "save print options", "settings ok, version ", "default format",
                                       "information: Quillpress succesfully installed!"}));
    EXPECT_EQ(installedVersion(registry), "2.03");

    registry.deleteKey(Hive::CurrentUser, settingsRoot());
    Recorder failing(registry);
    failing.failDefaultFormat = true;
    EXPECT_THROW(registryInstall(registry, failing, failing), AppError);
    EXPECT_TRUE(setupNeeded(registry));
}

TEST_F(Associations, UninstallAsksFirstThenRemovesEverythingAndTellsUnlessSilent)
{
    struct Case {
        const char* name;
        bool silent;
        bool cancel;
        QStringList steps;
    };
    const QStringList removal{"remove .rtf Quillpress RTF-File", "remove .txt Quillpress TXT-File", "remove send to",
                                "remove desktop integration", "notify"};
    for (const Case& c : {Case{"silent", true, false, removal},
                          Case{"not silent", false, false,
                               QStringList{"save query"} + removal
                                   + QStringList{"information: Quillpress succesfully uninstalled!"}},
                          Case{"cancelled", false, true, {"save query"}}}) {
        RegKey::openSettingsWrite(registry, QStringLiteral("Settings")).writeInteger(QStringLiteral("Default_RTF"), 1);
        Recorder host(registry);
        host.cancelSaveQuery = c.cancel;
        bool completed = false;
        try {
            registryUninstall(registry, host, host, host, c.silent);
            completed = true;
        } catch (const CancelSignal&) {
        }
        EXPECT_EQ(completed, !c.cancel) << c.name;
        // Cancel in the save question leaves the program installed.
        EXPECT_EQ(registry.keyExists(Hive::CurrentUser, settingsRoot()), c.cancel) << c.name;
        EXPECT_EQ(host.steps, c.steps) << c.name;
    }
}

// What the uninstall leaves in the settings folder: nothing of its own, and
// on a system that never had the program, not even the folder.
TEST_F(Associations, UninstallLeavesNoEmptyHiveFilesBehind)
{
    for (const bool installedBefore : {true, false}) {
        QTemporaryDir base;
        const QString folder = base.filePath("Quillpress");
        Registry store(folder);
        if (installedBefore) {
            RegKey::openSettingsWrite(store, QStringLiteral("Settings")).writeInteger(QStringLiteral("Default_RTF"), 1);
            associate(store, ".rtf", rtfFileClass(), "/usr/bin/quillpress");
            addSendTo(store, "/usr/bin/quillpress");
        }
        Recorder host(store);
        host.applyToStore = true;
        registryUninstall(store, host, host, host, true);
        EXPECT_FALSE(QFileInfo::exists(folder)) << installedBefore << QDir(folder).entryList(QDir::AllEntries | QDir::Hidden).join(",").toStdString();
    }
}

}  // namespace
}  // namespace qp
