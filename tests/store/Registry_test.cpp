#include "store/Registry.h"

#include "platform/Errors.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <sys/stat.h>

using namespace qp;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

const QString kSettings = settingsRoot() + QStringLiteral("\\Settings");

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray fixture(const QString& name)
{
    return readBytes(QStringLiteral(QP_TEST_DATA_DIR "/registry/") + name);
}

// The message of the AppError the call throws, or "no error".
QString errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const AppError& error) {
        return error.message();
    }
    return QStringLiteral("no error");
}

class RegistryTest : public ::testing::Test {
protected:
    // The folder does not exist yet, as at the very first start.
    QString folder() const { return m_dir.filePath(QStringLiteral("Quillpress")); }
    QString hive(Hive h = Hive::CurrentUser) const { return m_registry.hivePath(h); }
    void putHive(const QByteArray& bytes, Hive h = Hive::CurrentUser) { writeBytes(hive(h), bytes); }
    QStringList asideFiles() const
    {
        return QDir(folder()).entryList({QStringLiteral("*.damaged-*")}, QDir::Files, QDir::Name);
    }

    QTemporaryDir m_dir;
    Registry m_registry{folder()};
};

// ---- Reading values ----

struct ReadCase {
    const char* name;
    std::function<QString(const RegKey&)> read;
    QString expected;  // the value read, or the error's message
};

QString num(int n) { return QString::number(n); }
QString flag(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }

class RegistryReadRules : public RegistryTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(RegistryReadRules, ReadsAsTheStoreRulesSay)
{
    putHive("Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\Tavlen\\Quillpress 2.0\\Settings]\n"
            "\"Int\"=dword:0000002a\n"
            "\"Negative\"=dword:ffffff85\n"
            "\"Three\"=\"123\"\n"
            "\"Four\"=\"1234\"\n"
            "\"Blank\"=\"\"\n"
            "\"Flag0\"=dword:00000000\n"
            "\"Flag1\"=dword:00000001\n"
            "\"Flag2\"=dword:00000002\n"
            "\"Flag10\"=dword:0000000a\n"
            "\"Short\"=hex:01,02\n"
            "\"Long\"=hex:01,02,03,04,05\n");
    const std::optional<RegKey> key = RegKey::openRead(m_registry, Hive::CurrentUser, kSettings);
    ASSERT_TRUE(key);
    QString got;
    try {
        got = GetParam().read(*key);
    } catch (const AppError& error) {
        got = error.message();
    }
    EXPECT_EQ(got, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryReadRules,
    ::testing::Values(
        ReadCase{"IntegerRequired", [](const RegKey& k) { return num(k.readInteger("Int")); }, "42"},
        ReadCase{"NegativeInteger", [](const RegKey& k) { return num(k.readInteger("Negative")); }, "-123"},
        ReadCase{"AbsentRequired", [](const RegKey& k) { return num(k.readInteger("Default_FileType")); },
                 "Failed to get data for 'Default_FileType'"},
        ReadCase{"AbsentWithDefault", [](const RegKey& k) { return num(k.readInteger("Missing", 640)); }, "640"},
        ReadCase{"PresentWithDefault", [](const RegKey& k) { return num(k.readInteger("Int", 640)); }, "42"},
        ReadCase{"ThreeCharStringAsInteger", [](const RegKey& k) { return num(k.readInteger("Three")); },
                 "Invalid data type for 'Three'"},
        ReadCase{"FourCharStringAsInteger", [](const RegKey& k) { return num(k.readInteger("Four")); },
                 "Failed to get data for 'Four'"},
        ReadCase{"WrongTypeFailsDespiteDefault", [](const RegKey& k) { return num(k.readInteger("Three", 7)); },
                 "Invalid data type for 'Three'"},
        ReadCase{"EmptyStringAsInteger", [](const RegKey& k) { return num(k.readInteger("Blank", 7)); },
                 "Invalid data type for 'Blank'"},
        ReadCase{"ShortBinaryAsInteger", [](const RegKey& k) { return num(k.readInteger("Short")); },
                 "Invalid data type for 'Short'"},
        ReadCase{"LongBinaryAsInteger", [](const RegKey& k) { return num(k.readInteger("Long")); },
                 "Failed to get data for 'Long'"},
        ReadCase{"String", [](const RegKey& k) { return k.readString("Four"); }, "1234"},
        ReadCase{"EmptyString", [](const RegKey& k) { return k.readString("Blank") + "|"; }, "|"},
        ReadCase{"AbsentString", [](const RegKey& k) { return k.readString("Missing") + "|"; }, "|"},
        ReadCase{"IntegerAsString", [](const RegKey& k) { return k.readString("Int"); }, "Invalid data type for 'Int'"},
        ReadCase{"Flag0", [](const RegKey& k) { return flag(k.readFlag("Flag0", true)); }, "off"},
        ReadCase{"Flag1", [](const RegKey& k) { return flag(k.readFlag("Flag1", false)); }, "on"},
        ReadCase{"Flag2", [](const RegKey& k) { return flag(k.readFlag("Flag2", true)); }, "off"},
        ReadCase{"Flag10", [](const RegKey& k) { return flag(k.readFlag("Flag10", true)); }, "off"},
        ReadCase{"AbsentFlagGivesDefault", [](const RegKey& k) { return flag(k.readFlag("Missing", true)); }, "on"},
        ReadCase{"StringFlagFails", [](const RegKey& k) { return flag(k.readFlag("Three", true)); },
                 "Invalid data type for 'Three'"},
        ReadCase{"AbsentWithBuiltInIsNamed",
                 [](const RegKey& k) {
                     QStringList missing;
                     const QString read = num(k.readInteger("Missing", 10, missing));
                     return read + " " + missing.join(',');
                 },
                 "10 Missing"},
        ReadCase{"PresentWithBuiltInIsNotNamed",
                 [](const RegKey& k) {
                     QStringList missing;
                     const QString read = flag(k.readFlag("Flag1", false, missing));
                     return read + " " + missing.join(',');
                 },
                 "on "},
        ReadCase{"WrongTypeFailsDespiteBuiltIn",
                 [](const RegKey& k) {
                     QStringList missing;
                     return num(k.readInteger("Three", 7, missing));
                 },
                 "Invalid data type for 'Three'"},
        ReadCase{"ValueExistsWhateverType",
                 [](const RegKey& k) { return flag(k.valueExists("Blank") && k.valueExists("long") && !k.valueExists("x")); },
                 "on"}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST_F(RegistryTest, FirstStartReadsNothingAndCreatesNothing)
{
    EXPECT_FALSE(RegKey::openSettingsRead(m_registry, QStringLiteral("Settings")));
    EXPECT_FALSE(m_registry.keyExists(Hive::CurrentUser, settingsRoot()));
    EXPECT_TRUE(m_registry.subkeyNames(Hive::ClassesRoot, QString()).isEmpty());
    EXPECT_FALSE(m_registry.checkHive(Hive::CurrentUser));
    m_registry.deleteKey(Hive::CurrentUser, settingsRoot());
    m_registry.moveKey(Hive::ClassesRoot, QStringLiteral(".rtf"), QStringLiteral(".rtf_backup"));
    EXPECT_FALSE(QFileInfo::exists(folder()));
}

// The window geometry at close goes in one replace of the file.
TEST_F(RegistryTest, SeveralIntegersAreWrittenTogether)
{
    RegKey key = RegKey::openSettingsWrite(m_registry, QStringLiteral("MainForm"));
    key.writeString(QStringLiteral("Main_Width"), QStringLiteral("was a string"));
    key.writeIntegers({{QStringLiteral("Main_Width"), 800}, {QStringLiteral("Main_Left"), -8}, {QStringLiteral("main_width"), 640}});
    EXPECT_EQ(key.readInteger(QStringLiteral("Main_Width")), 640) << "the later of two names in another case wins";
    EXPECT_EQ(key.readInteger(QStringLiteral("Main_Left")), -8);
    EXPECT_EQ(key.valueNames(), QStringList({QStringLiteral("Main_Width"), QStringLiteral("Main_Left")}));
}

TEST_F(RegistryTest, OpenWriteCreatesTheFolderKeyAndAncestors)
{
    RegKey key = RegKey::openSettingsWrite(m_registry, QStringLiteral("GoToLine"));
    EXPECT_TRUE(QFileInfo::exists(hive()));
    EXPECT_TRUE(m_registry.keyExists(Hive::CurrentUser, QStringLiteral("Software\\Tavlen")));
    ASSERT_TRUE(RegKey::openSettingsRead(m_registry, QStringLiteral("GoToLine")));
    EXPECT_TRUE(RegKey::openSettingsRead(m_registry, QStringLiteral("GoToLine"))->valueNames().isEmpty());
}

TEST_F(RegistryTest, NamesCompareWithoutCaseAndKeepTheirCase)
{
    RegKey key = RegKey::openSettingsWrite(m_registry, QStringLiteral("MainForm"));
    key.writeInteger(QStringLiteral("Main_Width"), 800);
    key.writeInteger(QStringLiteral("MAIN_WIDTH"), 1024);
    key.writeString(QStringLiteral("Run_Path"), QStringLiteral("a"));

    std::optional<RegKey> other =
        RegKey::openRead(m_registry, Hive::CurrentUser, QStringLiteral("SOFTWARE\\tavlen\\QUILLPRESS 2.0\\mainform"));
    ASSERT_TRUE(other);
    EXPECT_EQ(other->readInteger(QStringLiteral("main_width")), 1024);
    EXPECT_THAT(other->valueNames(), ElementsAre("Main_Width", "Run_Path"));
    EXPECT_THAT(m_registry.subkeyNames(Hive::CurrentUser, QStringLiteral("software\\TAVLEN")), ElementsAre("Quillpress 2.0"));

    RegKey::openWrite(m_registry, Hive::CurrentUser, QStringLiteral("software\\tavlen\\quillpress 2.0\\MAINFORM"))
        .writeFlag(QStringLiteral("stayontop_enabled"), true);
    EXPECT_THAT(m_registry.subkeyNames(Hive::CurrentUser, settingsRoot()), ElementsAre("MainForm"));
    other->deleteValue(QStringLiteral("RUN_PATH"));
    EXPECT_THAT(other->valueNames(), ElementsAre("Main_Width", "stayontop_enabled"));
}

// ---- The file ----

TEST_F(RegistryTest, AHandWrittenFileNamingAKeyOrValueTwiceInAnyCaseHoldsItOnce)
{
    putHive("Windows Registry Editor Version 5.00\n\n"
            "[HKEY_CURRENT_USER\\Software\\Zeta]\n\"First\"=\"1\"\n\n"
            "[HKEY_CURRENT_USER\\Software\\alpha]\n\"Width\"=dword:00000001\n\"Name\"=\"a\"\n\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\ALPHA]\n\"WIDTH\"=dword:00000002\n\"Extra\"=\"e\"\n\n"
            "[HKEY_CURRENT_USER\\Software\\Beta\\Inner]\n\"name\"=\"b\"\n\"NAME\"=\"c\"\n");
    EXPECT_THAT(m_registry.subkeyNames(Hive::CurrentUser, QStringLiteral("Software")), ElementsAre("alpha", "Beta", "Zeta"));
    std::optional<RegKey> alpha = RegKey::openRead(m_registry, Hive::CurrentUser, QStringLiteral("software\\Alpha"));
    ASSERT_TRUE(alpha);
    EXPECT_THAT(alpha->valueNames(), ElementsAre("Width", "Name", "Extra"));
    EXPECT_EQ(alpha->readInteger(QStringLiteral("width")), 2);
    std::optional<RegKey> inner = RegKey::openRead(m_registry, Hive::CurrentUser, QStringLiteral("Software\\beta\\inner"));
    ASSERT_TRUE(inner);
    EXPECT_THAT(inner->valueNames(), ElementsAre("name"));
    EXPECT_EQ(inner->readString(QStringLiteral("Name")), QStringLiteral("c"));
}

TEST_F(RegistryTest, WritesAReadableExportFile)
{
    RegKey shell = RegKey::openWrite(m_registry, Hive::ClassesRoot, QStringLiteral("Quillpress RTF-File\\Shell\\Open\\Command"));
    shell.writeString(QString(), QStringLiteral("\"/usr/bin/quillpress\" \"%1\""));
    RegKey misc = RegKey::openWrite(m_registry, Hive::ClassesRoot, QStringLiteral(".rtf"));
    misc.writeString(QString(), QStringLiteral("Quillpress RTF-File"));
    misc.writeInteger(QStringLiteral("Negative"), -2);
    misc.writeInteger(QStringLiteral("Ten"), 10);
    misc.writeString(QStringLiteral("Back\\slash \"quoted\""), QStringLiteral("C:\\dir\\"));

    EXPECT_EQ(readBytes(hive(Hive::ClassesRoot)),
              QByteArray("Windows Registry Editor Version 5.00\n"
                         "\n"
                         "[HKEY_CLASSES_ROOT\\.rtf]\n"
                         "@=\"Quillpress RTF-File\"\n"
                         "\"Negative\"=dword:fffffffe\n"
                         "\"Ten\"=dword:0000000a\n"
                         "\"Back\\\\slash \\\"quoted\\\"\"=\"C:\\\\dir\\\\\"\n"
                         "\n"
                         "[HKEY_CLASSES_ROOT\\Quillpress RTF-File]\n"
                         "\n"
                         "[HKEY_CLASSES_ROOT\\Quillpress RTF-File\\Shell]\n"
                         "\n"
                         "[HKEY_CLASSES_ROOT\\Quillpress RTF-File\\Shell\\Open]\n"
                         "\n"
                         "[HKEY_CLASSES_ROOT\\Quillpress RTF-File\\Shell\\Open\\Command]\n"
                         "@=\"\\\"/usr/bin/quillpress\\\" \\\"%1\\\"\"\n"
                         "\n"));
    EXPECT_FALSE(QFileInfo::exists(hive(Hive::CurrentUser)));
}

TEST_F(RegistryTest, AwkwardStringsSurviveTheFile)
{
    const QStringList texts = {QString(), QStringLiteral("back\\slash \"quote\" \\\\"), QStringLiteral("line\nbreak\r\nend\\n"),
                               QStringLiteral("tab\tbell\x07"), QStringLiteral("Grüße, 東京 €"), QStringLiteral("[not a key]"),
                               QStringLiteral("\"=dword:00000001")};
    RegKey key = RegKey::openSettingsWrite(m_registry, QStringLiteral("RecentFiles"));
    for (int i = 0; i < texts.size(); ++i)
        key.writeString(QStringLiteral("Recent%1 \"x\"\n").arg(i), texts[i]);

    Registry fresh(folder());
    const std::optional<RegKey> back = RegKey::openSettingsRead(fresh, QStringLiteral("recentfiles"));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->valueNames().size(), texts.size());
    for (int i = 0; i < texts.size(); ++i)
        EXPECT_EQ(back->readString(QStringLiteral("Recent%1 \"x\"\n").arg(i)), texts[i]) << i;
    EXPECT_FALSE(fresh.checkHive(Hive::CurrentUser));
}

TEST_F(RegistryTest, ReadsAHandWrittenFileAndKeepsItsDataThroughAWrite)
{
    putHive(fixture(QStringLiteral("handwritten.reg")));
    const auto check = [this] {
        const std::optional<RegKey> settings = RegKey::openSettingsRead(m_registry, QStringLiteral("Settings"));
        ASSERT_TRUE(settings);
        EXPECT_EQ(settings->readString(QStringLiteral("Default_DateFormat")), QStringLiteral("dd.MM.yyyy"));
        EXPECT_EQ(settings->readString(QStringLiteral("Run_Path")), QStringLiteral("C:\\Tools\\run \"this\".exe"));
        EXPECT_EQ(settings->readInteger(QStringLiteral("Default_LinesPerPage")), 58);
        EXPECT_EQ(settings->readInteger(QStringLiteral("Offset")), -2);
        const std::optional<RegKey> main = RegKey::openSettingsRead(m_registry, QStringLiteral("MainForm"));
        ASSERT_TRUE(main);
        EXPECT_EQ(main->readInteger(QStringLiteral("Main_Width")), 640);
        EXPECT_THAT(main->valueNames(), ElementsAre("Main_Width", "Blob", "Path"));
        EXPECT_EQ(errorOf([&] { main->readInteger(QStringLiteral("Blob")); }), QStringLiteral("Failed to get data for 'Blob'"));
        EXPECT_EQ(RegKey::openSettingsRead(m_registry, QStringLiteral("Miscellaneous"))->readString(QString()),
                  QStringLiteral("unnamed"));
        EXPECT_THAT(m_registry.subkeyNames(Hive::CurrentUser, settingsRoot()),
                    ElementsAre("Empty", "MainForm", "Miscellaneous", "Settings"));
    };
    check();

    RegKey::openSettingsWrite(m_registry, QStringLiteral("Settings")).writeFlag(QStringLiteral("Default_Esc"), false);
    check();
    const QByteArray written = readBytes(hive());
    EXPECT_THAT(written.toStdString(), HasSubstr("\"Blob\"=hex:01,02,03,04,05\n\"Path\"=hex(2):25,00,48,00\n"));
    EXPECT_THAT(written.toStdString(), HasSubstr("\"Run_Path\"=\"C:\\\\Tools\\\\run \\\"this\\\".exe\"\n"
                                                 "\"Default_LinesPerPage\"=dword:0000003a\n"));
    EXPECT_TRUE(asideFiles().isEmpty());
}

TEST_F(RegistryTest, EveryReadSeesTheLastWriteOfAnotherInstance)
{
    Registry other(folder());
    RegKey mine = RegKey::openSettingsWrite(m_registry, QStringLiteral("MainForm"));
    RegKey theirs = RegKey::openSettingsWrite(other, QStringLiteral("MainForm"));
    for (int i = 1; i <= 5; ++i) {
        // Same-sized rewrites in quick succession must not be mistaken for the file already seen.
        theirs.writeInteger(QStringLiteral("Main_Top"), i);
        EXPECT_EQ(mine.readInteger(QStringLiteral("Main_Top")), i);
        mine.writeInteger(QStringLiteral("Main_Left"), i);
        EXPECT_EQ(theirs.readInteger(QStringLiteral("Main_Left")), i);
    }
    other.deleteKey(Hive::CurrentUser, settingsRoot());
    EXPECT_FALSE(RegKey::openSettingsRead(m_registry, QStringLiteral("MainForm")));
}

// ---- Keys ----

TEST_F(RegistryTest, DeleteKeyRemovesItsWholeSubtreeOnly)
{
    RegKey::openWrite(m_registry, Hive::ClassesRoot, QStringLiteral("*\\Shell\\Send to Quillpress\\Command"))
        .writeString(QString(), QStringLiteral("cmd"));
    RegKey::openWrite(m_registry, Hive::ClassesRoot, QStringLiteral("*\\Shell\\Other")).writeInteger(QStringLiteral("x"), 1);
    RegKey::openWrite(m_registry, Hive::ClassesRoot, QStringLiteral("*\\Shell\\Send to Quillpress")).writeInteger(QStringLiteral("y"), 2);

    m_registry.deleteKey(Hive::ClassesRoot, QStringLiteral("*\\shell\\send to quillpress"));
    EXPECT_FALSE(m_registry.keyExists(Hive::ClassesRoot, QStringLiteral("*\\Shell\\Send to Quillpress")));
    EXPECT_FALSE(m_registry.keyExists(Hive::ClassesRoot, QStringLiteral("*\\Shell\\Send to Quillpress\\Command")));
    EXPECT_THAT(m_registry.subkeyNames(Hive::ClassesRoot, QStringLiteral("*\\Shell")), ElementsAre("Other"));

    m_registry.deleteKey(Hive::ClassesRoot, QStringLiteral("*\\Shell\\Absent"));
    m_registry.deleteKey(Hive::ClassesRoot, QString());  // never the hive itself
    EXPECT_TRUE(m_registry.keyExists(Hive::ClassesRoot, QStringLiteral("*\\Shell\\Other")));
}

class RegistryMoveKey : public RegistryTest {
protected:
    void SetUp() override
    {
        putHive("Windows Registry Editor Version 5.00\n\n"
                "[HKEY_CLASSES_ROOT\\.rtf]\n@=\"Word.RTF.8\"\n\"Content Type\"=\"application/rtf\"\n\"Count\"=dword:ffffffff\n"
                "\"Bits\"=hex:00,ff\n\n"
                "[HKEY_CLASSES_ROOT\\.rtf\\ShellNew]\n\"FileName\"=\"winword.rtf\"\n\n"
                "[HKEY_CLASSES_ROOT\\.rtf\\ShellNew\\Deeper]\n\"Depth\"=dword:00000002\n\n"
                "[HKEY_CLASSES_ROOT\\.rtf\\OpenWithList]\n\n"
                "[HKEY_CLASSES_ROOT\\.txt]\n@=\"txtfile\"\n\n"
                "[HKEY_CLASSES_ROOT\\.txt_backup]\n@=\"older\"\n\n",
                Hive::ClassesRoot);
    }
    static QString describe(const RegKey& key, const QString& name)
    {
        try {
            return QLatin1Char('"') + key.readString(name) + QLatin1Char('"');
        } catch (const AppError&) {
        }
        try {
            return QString::number(key.readInteger(name));
        } catch (const AppError& error) {
            return error.message();
        }
    }

    // A readable dump of a subtree: names, types and data.
    QString subtree(const QString& path, const QString& indent = QString())
    {
        QString out;
        const std::optional<RegKey> key = RegKey::openRead(m_registry, Hive::ClassesRoot, path);
        if (!key)
            return QStringLiteral("absent");
        for (const QString& name : key->valueNames())
            out += indent + name + QLatin1Char('=') + describe(*key, name) + QLatin1Char('\n');
        for (const QString& sub : key->subkeyNames())
            out += indent + QLatin1Char('[') + sub + QLatin1String("]\n") + subtree(path + QLatin1Char('\\') + sub, indent + QLatin1String("  "));
        return out;
    }
};

TEST_F(RegistryMoveKey, CarriesValuesAndNestedSubkeysUnchanged)
{
    const QString before = subtree(QStringLiteral(".rtf"));
    m_registry.moveKey(Hive::ClassesRoot, QStringLiteral(".rtf"), QStringLiteral(".rtf_backup"));
    EXPECT_FALSE(m_registry.keyExists(Hive::ClassesRoot, QStringLiteral(".rtf")));
    EXPECT_EQ(subtree(QStringLiteral(".rtf_backup")), before);
    EXPECT_THAT(before.toStdString(), HasSubstr("Depth=2"));
    EXPECT_THAT(before.toStdString(), HasSubstr("Count=-1"));
    EXPECT_THAT(readBytes(hive(Hive::ClassesRoot)).toStdString(),
                HasSubstr("[HKEY_CLASSES_ROOT\\.rtf_backup]\n@=\"Word.RTF.8\"\n\"Content Type\"=\"application/rtf\"\n"
                          "\"Count\"=dword:ffffffff\n\"Bits\"=hex:00,ff\n"));
}

TEST_F(RegistryMoveKey, NeverTouchesAnExistingDestination)
{
    const QByteArray before = readBytes(hive(Hive::ClassesRoot));
    m_registry.moveKey(Hive::ClassesRoot, QStringLiteral(".txt"), QStringLiteral(".TXT_BACKUP"));
    m_registry.moveKey(Hive::ClassesRoot, QStringLiteral(".doc"), QStringLiteral(".doc_backup"));
    m_registry.moveKey(Hive::ClassesRoot, QStringLiteral(".rtf"), QStringLiteral(".rtf\\ShellNew\\Inside"));
    m_registry.moveKey(Hive::ClassesRoot, QStringLiteral(".rtf\\ShellNew"), QStringLiteral(".rtf"));
    EXPECT_EQ(readBytes(hive(Hive::ClassesRoot)), before);
    EXPECT_FALSE(m_registry.keyExists(Hive::ClassesRoot, QStringLiteral(".doc_backup")));
}

TEST_F(RegistryMoveKey, CreatesMissingParentsOfTheDestination)
{
    m_registry.moveKey(Hive::ClassesRoot, QStringLiteral(".rtf\\ShellNew"), QStringLiteral("Saved\\Old\\ShellNew"));
    EXPECT_EQ(RegKey::openRead(m_registry, Hive::ClassesRoot, QStringLiteral("Saved\\Old\\ShellNew\\Deeper"))
                  ->readInteger(QStringLiteral("Depth")),
              2);
    EXPECT_THAT(m_registry.subkeyNames(Hive::ClassesRoot, QStringLiteral(".rtf")), ElementsAre("OpenWithList"));
}

TEST_F(RegistryTest, UnstorableKeyNamesFailWithTheStoreMessages)
{
    EXPECT_EQ(errorOf([&] { m_registry.createKey(Hive::CurrentUser, QStringLiteral("a\nb")); }),
              QStringLiteral("Failed to create key a\nb"));
    RegKey key = RegKey::openWrite(m_registry, Hive::CurrentUser, QStringLiteral("bad\rname"));
    EXPECT_EQ(errorOf([&] { key.writeInteger(QStringLiteral("X"), 1); }), QStringLiteral("Failed to set data for 'X'"));
}

TEST_F(RegistryTest, AWriteThatCannotBeStoredFailsAtTheFirstValue)
{
    // A plain file where the folder should be.
    writeBytes(folder(), "not a folder");
    RegKey key = RegKey::openSettingsWrite(m_registry, QStringLiteral("PrintOptions"));
    EXPECT_EQ(errorOf([&] { key.writeInteger(QStringLiteral("Default_LeftMargin"), 2); }),
              QStringLiteral("Failed to set data for 'Default_LeftMargin'"));
    EXPECT_EQ(errorOf([&] { m_registry.createKey(Hive::CurrentUser, QStringLiteral("K")); }), QStringLiteral("Failed to create key K"));
    EXPECT_EQ(readBytes(folder()), QByteArray("not a folder"));
    // The error box shows the message, then where and why.
    try {
        key.writeString(QStringLiteral("Name"), QStringLiteral("x"));
        ADD_FAILURE() << "the write did not fail";
    } catch (const StoreWriteError& error) {
        EXPECT_EQ(error.path(), folder());
        EXPECT_EQ(error.shownText(), QStringLiteral("Failed to set data for 'Name'\rThe settings could not be written to \"%1\": %2.")
                                         .arg(folder(), error.reason()));
        EXPECT_FALSE(error.reason().isEmpty());
    }
}

// ---- Damaged and unreadable files ----

struct DamageCase {
    const char* fixture;
    int line;
};

class RegistryDamagedFile : public RegistryTest, public ::testing::WithParamInterface<DamageCase> {};

TEST_P(RegistryDamagedFile, ReadsNameFileAndLineAndAWriteKeepsTheFileAside)
{
    const QByteArray damaged = fixture(QString::fromLatin1(GetParam().fixture));
    ASSERT_FALSE(damaged.isEmpty());
    putHive(damaged);

    const QString message = errorOf([&] { m_registry.keyExists(Hive::CurrentUser, QStringLiteral("Software")); });
    EXPECT_THAT(message.toStdString(), HasSubstr(QStringLiteral("The settings file '%1' is damaged at line %2")
                                                     .arg(hive())
                                                     .arg(GetParam().line)
                                                     .toStdString()));
    EXPECT_EQ(m_registry.checkHive(Hive::CurrentUser), message);
    EXPECT_FALSE(m_registry.checkHive(Hive::ClassesRoot));

    RegKey::openSettingsWrite(m_registry, QStringLiteral("Miscellaneous")).writeString(QStringLiteral("Version"), QStringLiteral("2.03"));
    const QStringList aside = asideFiles();
    ASSERT_EQ(aside.size(), 1);
    EXPECT_THAT(aside.first().toStdString(), ::testing::MatchesRegex("HKEY_CURRENT_USER\\.reg\\.damaged-[0-9]{8}-[0-9]{6}"));
    EXPECT_EQ(readBytes(QDir(folder()).filePath(aside.first())), damaged);
    EXPECT_FALSE(m_registry.checkHive(Hive::CurrentUser));
    EXPECT_THAT(m_registry.subkeyNames(Hive::CurrentUser, QString()), ElementsAre("Software"));
    EXPECT_EQ(RegKey::openSettingsRead(m_registry, QStringLiteral("Miscellaneous"))->readString(QStringLiteral("Version")),
              QStringLiteral("2.03"));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RegistryDamagedFile,
                         ::testing::Values(DamageCase{"damaged-garbage.reg", 1}, DamageCase{"damaged-truncated-header.reg", 6},
                                           DamageCase{"damaged-bad-dword.reg", 6}, DamageCase{"damaged-latin1.reg", 4}),
                         [](const ::testing::TestParamInfo<DamageCase>& info) {
                             std::string name = info.param.fixture;
                             name = name.substr(8, name.size() - 12);
                             std::erase(name, '-');
                             return name;
                         });

TEST_F(RegistryTest, DamageInSmallerWaysIsFoundToo)
{
    const std::vector<std::pair<QByteArray, int>> cases = {
        {"Windows Registry Editor Version 5.00\n\n\"Orphan\"=\"value\"\n", 3},
        {"Windows Registry Editor Version 5.00\n\n[HKEY_CLASSES_ROOT\\.rtf]\n", 3},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"Open=\"x\"\n", 3},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"P\"=\"C:\\dir\"\n", 3},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"P\"=\"x\" trailing\n", 3},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"P\"=dword:-1\n", 3},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"P\"=hex:01,\\\n", 3},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"P\"=hex:1ff\n", 3},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"P\"=-\n", 3},
        {"Windows Registry Editor Version 5.00\n[-HKEY_CURRENT_USER\\A]\n", 2},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\\\A]\n", 2},
        {"Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\nP=1\n", 3},
    };
    for (const auto& [bytes, line] : cases) {
        putHive(bytes);
        const std::optional<QString> damage = m_registry.checkHive(Hive::CurrentUser);
        ASSERT_TRUE(damage) << bytes.toStdString();
        EXPECT_THAT(damage->toStdString(), HasSubstr(QStringLiteral("at line %1:").arg(line).toStdString())) << bytes.toStdString();
    }
}

TEST_F(RegistryTest, EmptyFilesAndByteOrderMarksAreFine)
{
    for (const QByteArray& bytes : {QByteArray(), QByteArray("\n \n"),
                                    QByteArray("\xEF\xBB\xBFWindows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n")}) {
        putHive(bytes);
        EXPECT_FALSE(m_registry.checkHive(Hive::CurrentUser)) << bytes.toStdString();
    }
    EXPECT_TRUE(m_registry.keyExists(Hive::CurrentUser, QStringLiteral("a")));
}

TEST_F(RegistryTest, KeepAsideMovesOnlyADamagedFileAndNeverOverwritesAnEarlierOne)
{
    EXPECT_EQ(m_registry.keepAside(Hive::CurrentUser), QString());
    RegKey::openSettingsWrite(m_registry, QStringLiteral("Settings")).writeInteger(QStringLiteral("A"), 1);
    EXPECT_EQ(m_registry.keepAside(Hive::CurrentUser), QString());
    EXPECT_TRUE(QFileInfo::exists(hive()));

    putHive("first damage");
    const QString first = m_registry.keepAside(Hive::CurrentUser);
    putHive("second damage");
    const QString second = m_registry.keepAside(Hive::CurrentUser);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    EXPECT_NE(first, second);
    EXPECT_EQ(readBytes(first), QByteArray("first damage"));
    EXPECT_EQ(readBytes(second), QByteArray("second damage"));
    EXPECT_FALSE(QFileInfo::exists(hive()));
    EXPECT_FALSE(RegKey::openSettingsRead(m_registry, QStringLiteral("Settings")));
}

TEST_F(RegistryTest, AnUnreadableFileFailsClearlyAndIsNeverReplaced)
{
    // A folder in the hive file's place cannot be read, not even by root.
    QDir().mkpath(hive());
    writeBytes(hive() + QStringLiteral("/inside"), "kept");
    const QString message = errorOf([&] { RegKey::openSettingsRead(m_registry, QStringLiteral("Settings")); });
    EXPECT_THAT(message.toStdString(), HasSubstr(QStringLiteral("The settings file '%1' cannot be read").arg(hive()).toStdString()));
    EXPECT_EQ(m_registry.checkHive(Hive::CurrentUser), message);
    RegKey key = RegKey::openSettingsWrite(m_registry, QStringLiteral("Settings"));
    EXPECT_EQ(errorOf([&] { key.writeInteger(QStringLiteral("A"), 1); }), message);
    EXPECT_EQ(readBytes(hive() + QStringLiteral("/inside")), QByteArray("kept"));
}

// Things put in the settings file's place that are no settings file: each is
// refused at once, with the reason, and left as it is.
struct NotAFileCase {
    const char* name;
    std::function<void(const QString& path)> make;
    const char* reason;
};

class RegistryNotAFile : public RegistryTest, public ::testing::WithParamInterface<NotAFileCase> {};

TEST_P(RegistryNotAFile, IsRefusedAtOnceAndLeftAlone)
{
    QDir().mkpath(folder());
    GetParam().make(hive());
    const QFileInfo before(hive());
    const QString message = errorOf([&] { RegKey::openSettingsRead(m_registry, QStringLiteral("Settings")); });
    EXPECT_EQ(message, QStringLiteral("The settings file '%1' cannot be read: %2.").arg(hive(), QLatin1String(GetParam().reason)));
    RegKey key = RegKey::openSettingsWrite(m_registry, QStringLiteral("Settings"));
    EXPECT_EQ(errorOf([&] { key.writeInteger(QStringLiteral("A"), 1); }), message);
    const QFileInfo after(hive());
    EXPECT_EQ(after.isSymLink(), before.isSymLink());
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(after.lastModified(), before.lastModified());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegistryNotAFile,
    ::testing::Values(
        NotAFileCase{"Fifo", [](const QString& path) { ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0); },
                     "it is not a regular file"},
        NotAFileCase{"LinkToDevZero", [](const QString& path) { ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path)); },
                     "it is not a regular file"},
        NotAFileCase{"Gigabyte",
                     [](const QString& path) {
                         QFile file(path);
                         ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                         // Sparse: a gigabyte on paper, nothing on the disk.
                         ASSERT_TRUE(file.resize(qint64(1) << 30));
                     },
                     "it is larger than 16 MB"}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Two programs at once ----

constexpr int kValuesPerWriter = 150;

// Run by RegistryConcurrency.TwoProcessesNeverLoseAWrite in two child processes
// of this test program at the same time.
TEST(RegistryConcurrency, ChildWriter)
{
    const QString folder = qEnvironmentVariable("QP_REGISTRY_CHILD_FOLDER");
    const QString prefix = qEnvironmentVariable("QP_REGISTRY_CHILD_PREFIX");
    if (folder.isEmpty())
        GTEST_SKIP() << "a helper of TwoProcessesNeverLoseAWrite, run by it in a child process";
    Registry registry(folder);
    for (int i = 0; i < kValuesPerWriter; ++i) {
        RegKey::openSettingsWrite(registry, QStringLiteral("Race")).writeInteger(prefix + QString::number(i), i);
        RegKey::openSettingsWrite(registry, QStringLiteral("Race_") + prefix).writeString(QStringLiteral("Last"), QString::number(i));
    }
}

TEST(RegistryConcurrency, TwoProcessesNeverLoseAWrite)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("Quillpress"));
    const QStringList prefixes = {QStringLiteral("A"), QStringLiteral("B")};
    std::vector<std::unique_ptr<QProcess>> children;
    for (const QString& prefix : prefixes) {
        auto child = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QP_REGISTRY_CHILD_FOLDER"), folder);
        env.insert(QStringLiteral("QP_REGISTRY_CHILD_PREFIX"), prefix);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child->setProcessEnvironment(env);
        child->setProcessChannelMode(QProcess::MergedChannels);
        child->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=RegistryConcurrency.ChildWriter")});
        children.push_back(std::move(child));
    }
    for (auto& child : children) {
        ASSERT_TRUE(child->waitForFinished(120000));
        EXPECT_EQ(child->exitCode(), 0) << child->readAll().toStdString();
    }

    Registry registry(folder);
    ASSERT_FALSE(registry.checkHive(Hive::CurrentUser));
    const std::optional<RegKey> race = RegKey::openSettingsRead(registry, QStringLiteral("Race"));
    ASSERT_TRUE(race);
    EXPECT_EQ(race->valueNames().size(), prefixes.size() * kValuesPerWriter);
    for (const QString& prefix : prefixes) {
        for (int i = 0; i < kValuesPerWriter; ++i)
            ASSERT_EQ(race->readInteger(prefix + QString::number(i), -1), i) << prefix.toStdString() << i;
        EXPECT_EQ(RegKey::openSettingsRead(registry, QStringLiteral("Race_") + prefix)->readString(QStringLiteral("Last")),
                  QString::number(kValuesPerWriter - 1));
    }
    // No damaged file kept aside, and no temporary or lock file left behind.
    EXPECT_THAT(QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name), ElementsAre("HKEY_CURRENT_USER.reg"));
}

}  // namespace
