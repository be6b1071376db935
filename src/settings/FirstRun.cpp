#include "settings/FirstRun.h"

#include "platform/MessageService.h"
#include "settings/Settings.h"
#include "store/Registry.h"

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

}  // namespace

QString mimeTypeOfExtension(const QString& extension)
{
    return extension.compare(QLatin1String(".txt"), Qt::CaseInsensitive) == 0 ? QStringLiteral("text/plain")
                                                                              : QStringLiteral("text/rtf");
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
    const QString owner = RegKey::openWrite(registry, Hive::ClassesRoot, extension).readString(QString());
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
    registry.createKey(Hive::ClassesRoot, QStringLiteral("*\\Shell"));
    registry.deleteKey(Hive::ClassesRoot, sendToKey());
}

void registryInstall(Registry& registry, SetupHost& host, MessageService& messages)
{
    host.setInstallSettings();
    host.setInstallPrintOptions();
    host.reloadAutoWords();
    host.setInstallTextSpecifications();
    host.savePrintOptions();
    RegKey::openSettingsWrite(registry, miscellaneous()).writeString(QStringLiteral("Version"), thisVersion());
    host.applyInstallSettings();
    host.saveDefaultFormat();
    messages.information(QStringLiteral("Quillpress succesfully installed!"));
}

void registryUninstall(Registry& registry, SettingsHost& settings, SetupHost& host, MessageService& messages,
                       bool silent)
{
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
    if (!silent) {
        host.querySave();
        messages.information(QStringLiteral("Quillpress succesfully uninstalled!"));
    }
    if (rootFailure)
        std::rethrow_exception(rootFailure);
}

}  // namespace qp
