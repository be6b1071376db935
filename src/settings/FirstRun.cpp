#include "settings/FirstRun.h"

#include "platform/MessageService.h"
#include "settings/Settings.h"
#include "store/Registry.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <exception>

namespace qp {

namespace {

const QString& miscellaneous()
{
    static const QString name = QStringLiteral("Miscellaneous");
    return name;
}

QString backupOf(const QString& key) { return key + QStringLiteral("_backup"); }

// The icon references of the two classes are those of the original shell; a
// Linux desktop takes its icon from the desktop entry instead.
QString iconFor(const QString& extension)
{
    return extension.compare(QLatin1String(".txt"), Qt::CaseInsensitive) == 0 ? QStringLiteral("shell32.dll,-152")
                                                                              : QStringLiteral("shell32.dll,-2");
}

QString quoted(const QString& programPath) { return QLatin1Char('"') + programPath + QLatin1Char('"'); }

void writeDefault(Registry& registry, const QString& key, const QString& data)
{
    RegKey::openWrite(registry, Hive::ClassesRoot, key).writeString(QString(), data);
}

const QString& sendToKey()
{
    static const QString key = QStringLiteral("*\\Shell\\Send to Quillpress");
    return key;
}

bool holdsValues(Registry& registry, Hive hive, const QString& key)
{
    if (!registry.valueNames(hive, key).isEmpty())
        return true;
    const QString prefix = key.isEmpty() ? key : key + QLatin1Char('\\');
    const QStringList subkeys = registry.subkeyNames(hive, key);
    return std::any_of(subkeys.cbegin(), subkeys.cend(),
                       [&](const QString& subkey) { return holdsValues(registry, hive, prefix + subkey); });
}

// A hive file left with keys but no values (the parents of the settings
// root, "*\\Shell") says nothing; it goes, and the settings folder with it
// once it is empty.
void removeEmptyHives(Registry& registry)
{
    for (const Hive hive : {Hive::CurrentUser, Hive::ClassesRoot}) {
        if (registry.checkHive(hive) || holdsValues(registry, hive, QString()))
            continue;
        QFile::remove(registry.hivePath(hive));
    }
    QDir folder(registry.folder());
    if (folder.exists() && folder.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        folder.rmdir(folder.absolutePath());
}

}  // namespace

QStringList mimeTypesOfExtension(const QString& extension)
{
    if (extension.compare(QLatin1String(".txt"), Qt::CaseInsensitive) == 0)
        return {QStringLiteral("text/plain")};
    return {QStringLiteral("application/rtf"), QStringLiteral("text/rtf")};
}

QString thisVersion() { return QStringLiteral("2.03"); }

QString installedVersion(Registry& registry)
{
    const std::optional<RegKey> key = RegKey::openSettingsRead(registry, miscellaneous());
    return key ? key->readString(QStringLiteral("Version")) : QString();
}

bool setupNeeded(Registry& registry)
{
    const QString version = installedVersion(registry);
    return version.isEmpty() || version != thisVersion();
}

void associate(Registry& registry, const QString& extension, const QString& fileClass, const QString& programPath)
{
    registry.moveKey(Hive::ClassesRoot, extension, backupOf(extension));
    registry.moveKey(Hive::ClassesRoot, fileClass, backupOf(fileClass));

    writeDefault(registry, extension, fileClass);
    RegKey::openWrite(registry, Hive::ClassesRoot, extension + QStringLiteral("\\ShellNew"))
        .writeString(QStringLiteral("FileName"), fileClass);
    writeDefault(registry, fileClass, fileClass);
    writeDefault(registry, fileClass + QStringLiteral("\\DefaultIcon"), iconFor(extension));
    writeDefault(registry, fileClass + QStringLiteral("\\Shell\\Open"), QStringLiteral("&Open"));
    writeDefault(registry, fileClass + QStringLiteral("\\Shell\\Open\\Command"),
                 quoted(programPath) + QStringLiteral(" \"%1\""));
    writeDefault(registry, fileClass + QStringLiteral("\\Shell\\Print"), QStringLiteral("&Print..."));
    writeDefault(registry, fileClass + QStringLiteral("\\Shell\\Print\\Command"),
                 quoted(programPath) + QStringLiteral(" \"%1\" \"-p\""));
}

void removeAssociation(Registry& registry, const QString& extension, const QString& fileClass)
{
    // Reading creates nothing: an uninstall on a fresh system leaves no file behind.
    const std::optional<RegKey> key = RegKey::openRead(registry, Hive::ClassesRoot, extension);
    const QString owner = key ? key->readString(QString()) : QString();
    if (owner != rtfFileClass() && owner != txtFileClass())
        return;
    registry.deleteKey(Hive::ClassesRoot, fileClass);
    registry.moveKey(Hive::ClassesRoot, backupOf(fileClass), fileClass);
    registry.deleteKey(Hive::ClassesRoot, extension);
    registry.moveKey(Hive::ClassesRoot, backupOf(extension), extension);
}

void addSendTo(Registry& registry, const QString& programPath)
{
    registry.createKey(Hive::ClassesRoot, QStringLiteral("*\\Shell"));
    registry.createKey(Hive::ClassesRoot, sendToKey());
    writeDefault(registry, sendToKey() + QStringLiteral("\\Command"), quoted(programPath) + QStringLiteral(" \"%1\""));
}

void removeSendTo(Registry& registry)
{
    if (registry.keyExists(Hive::ClassesRoot, sendToKey()))
        registry.deleteKey(Hive::ClassesRoot, sendToKey());
}

void registryInstall(Registry& registry, SetupHost& host, MessageService& messages)
{
    host.setInstallSettings();
    host.setInstallPrintOptions();
    host.reloadAutoWords();
    host.setInstallTextSpecifications();
    host.savePrintOptions();
    host.applyInstallSettings();
    host.saveDefaultFormat();
    RegKey::openSettingsWrite(registry, miscellaneous()).writeString(QStringLiteral("Version"), thisVersion());
    messages.information(QStringLiteral("Quillpress succesfully installed!"));
}

void registryUninstall(Registry& registry, SettingsHost& settings, SetupHost& host, MessageService& messages,
                       bool silent)
{
    // The unsaved document is asked about before anything is gone, so that
    // Cancel leaves the program installed as it was.
    if (!silent)
        host.querySave();
    std::exception_ptr rootFailure;
    try {
        registry.deleteKey(Hive::CurrentUser, settingsRoot());
    } catch (...) {
        rootFailure = std::current_exception();
    }
    settings.removeAssociation(QStringLiteral(".rtf"), rtfFileClass());
    settings.removeAssociation(QStringLiteral(".txt"), txtFileClass());
    settings.removeSendTo();
    host.removeDesktopIntegration();
    settings.notifyAssociationsChanged();
    removeEmptyHives(registry);
    if (!silent)
        messages.information(QStringLiteral("Quillpress succesfully uninstalled!"));
    if (rootFailure)
        std::rethrow_exception(rootFailure);
}

}  // namespace qp
