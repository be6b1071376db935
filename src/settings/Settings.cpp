#include "settings/Settings.h"

#include "platform/Errors.h"
#include "store/Registry.h"

#include <algorithm>

namespace qp {

namespace {

constexpr int minLinesPerPage = 1;
constexpr int maxLinesPerPage = 999;  // the field holds three digits

// Anything but 1 is rich text, so a stray stored number cannot leave the
// drop-down without a choice.
FileType fileTypeFromIndex(int index) { return index == 1 ? FileType::Text : FileType::Rtf; }

bool associationIsOurs(Registry& registry, const QString& extension, const QString& fileClass)
{
    if (!registry.keyExists(Hive::ClassesRoot, extension))
        registry.createKey(Hive::ClassesRoot, extension);
    const std::optional<RegKey> key = RegKey::openRead(registry, Hive::ClassesRoot, extension);
    return key && key->readString(QString()) == fileClass;
}

}  // namespace

QString rtfFileClass() { return QStringLiteral("Quillpress RTF-File"); }
QString txtFileClass() { return QStringLiteral("Quillpress TXT-File"); }
QString settingsSubkey() { return QStringLiteral("Settings"); }

void loadSettings(Registry& registry, SettingsOptions& options, SettingsControls& controls, SettingsHost& host)
{
    const std::optional<RegKey> key = RegKey::openSettingsRead(registry, settingsSubkey());
    if (!key)
        return;

    options.dateFormat = key->readString(QStringLiteral("Default_DateFormat"));
    controls.dateFormat = options.dateFormat;
    options.timeFormat = key->readString(QStringLiteral("Default_TimeFormat"));
    controls.timeFormat = options.timeFormat;

    // A value missing from the file (an older version, a hand edit) keeps the
    // option as it is, and the user is told once: it must not end the
    // start-up before the file the user asked for is opened.
    QStringList missing;
    options.defaultFileType = fileTypeFromIndex(
        key->readInteger(QStringLiteral("Default_FileType"), static_cast<int>(options.defaultFileType), missing));
    controls.fileType = options.defaultFileType;

    // A hand-edited value outside the field's range is brought into it, so
    // the page estimate never divides by zero.
    options.linesPerPage = std::clamp(key->readInteger(QStringLiteral("Default_LinesPerPage"), options.linesPerPage, missing),
                                      minLinesPerPage, maxLinesPerPage);
    controls.linesPerPage = QString::number(options.linesPerPage);

    options.runPath = key->readString(QStringLiteral("Run_Path"));
    controls.runPath = options.runPath;
    host.setRunEnabled(!options.runPath.isEmpty());

    options.notesFileName = key->readFlag(QStringLiteral("Default_FileName"), options.notesFileName, missing);
    controls.notesFileName = options.notesFileName;

    const bool rtf = key->readFlag(QStringLiteral("Default_RTF"), options.associateRtf, missing);
    const bool txt = key->readFlag(QStringLiteral("Default_TXT"), options.associateTxt, missing);
    const bool sendTo = key->readFlag(QStringLiteral("Default_Context"), options.sendTo, missing);
    options.associateRtf = controls.associateRtf = rtf;
    options.associateTxt = controls.associateTxt = txt;
    options.sendTo = controls.sendTo = sendTo;

    options.rememberDialogPosition =
        key->readFlag(QStringLiteral("Default_DialogPosition"), options.rememberDialogPosition, missing);
    controls.rememberDialogPosition = options.rememberDialogPosition;

    options.autoIndent = key->readFlag(QStringLiteral("AutoIndent_Enabled"), options.autoIndent);
    controls.autoIndent = options.autoIndent;

    options.escToQuit = key->readFlag(QStringLiteral("Default_Esc"), false);
    controls.escToQuit = options.escToQuit;
    host.setEscToQuit(options.escToQuit);

    options.recoveryEnabled = key->readFlag(QStringLiteral("Recovery_Enabled"), true);
    controls.recoveryEnabled = options.recoveryEnabled;
    host.setRecoveryEnabled(options.recoveryEnabled);
    key->tellMissing(missing, QStringLiteral("Press OK in Settings to store the settings again."));
}

void checkAssociations(Registry& registry, SettingsControls& controls, SettingsHost& host)
{
    const QString txt = QStringLiteral(".txt");
    const QString rtf = QStringLiteral(".rtf");
    if (!associationIsOurs(registry, txt, txtFileClass()) || !host.desktopOpensWithUs(txt))
        controls.associateTxt = false;
    if (!associationIsOurs(registry, rtf, rtfFileClass()) || !host.desktopOpensWithUs(rtf))
        controls.associateRtf = false;
}

int linesPerPageFromText(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    if (value < minLinesPerPage || value > maxLinesPerPage)
        throw AppError(QStringLiteral("Lines per Page must be a number from %1 to %2.")
                           .arg(minLinesPerPage)
                           .arg(maxLinesPerPage));
    return value;
}

void applyOk(Registry& registry, SettingsOptions& options, const SettingsControls& controls, SettingsHost& host,
             OkMode mode, const SettingsControls* shown)
{
    options.dateFormat = controls.dateFormat;
    options.timeFormat = controls.timeFormat;
    options.defaultFileType = controls.fileType;
    options.linesPerPage = linesPerPageFromText(controls.linesPerPage);
    options.notesFileName = controls.notesFileName;
    if (mode == OkMode::Dialog)
        host.refreshUntitledDocumentType();

    const auto setAssociation = [&host](bool on, const QString& extension, const QString& fileClass) {
        if (on)
            host.associate(extension, fileClass);
        else
            host.removeAssociation(extension, fileClass);
    };
    // A box left as shown leaves the desktop as it is: the user may have
    // given the type to another program, which the box showed.
    if (!shown || shown->associateRtf != controls.associateRtf)
        setAssociation(controls.associateRtf, QStringLiteral(".rtf"), rtfFileClass());
    if (!shown || shown->associateTxt != controls.associateTxt)
        setAssociation(controls.associateTxt, QStringLiteral(".txt"), txtFileClass());
    if (controls.sendTo)
        host.addSendTo();
    else
        host.removeSendTo();

    options.rememberDialogPosition = controls.rememberDialogPosition;
    if (mode == OkMode::Dialog)
        options.autoIndent = controls.autoIndent;
    host.notifyAssociationsChanged();

    saveSettings(registry, options, controls, host);
}

void saveSettings(Registry& registry, SettingsOptions& options, const SettingsControls& controls,
                  SettingsHost& host)
{
    RegKey key = RegKey::openSettingsWrite(registry, settingsSubkey());
    key.writeString(QStringLiteral("Default_DateFormat"), options.dateFormat);
    key.writeString(QStringLiteral("Default_TimeFormat"), options.timeFormat);
    key.writeInteger(QStringLiteral("Default_FileType"), static_cast<int>(options.defaultFileType));
    key.writeInteger(QStringLiteral("Default_LinesPerPage"), options.linesPerPage);
    key.writeFlag(QStringLiteral("Default_FileName"), options.notesFileName);
    key.writeFlag(QStringLiteral("AutoIndent_Enabled"), options.autoIndent);

    options.runPath = controls.runPath;
    key.writeString(QStringLiteral("Run_Path"), options.runPath);
    host.setRunEnabled(!options.runPath.isEmpty());

    options.escToQuit = controls.escToQuit;
    host.setEscToQuit(options.escToQuit);
    key.writeFlag(QStringLiteral("Default_Esc"), options.escToQuit);

    options.recoveryEnabled = controls.recoveryEnabled;
    host.setRecoveryEnabled(options.recoveryEnabled);
    key.writeFlag(QStringLiteral("Recovery_Enabled"), options.recoveryEnabled);

    key.writeFlag(QStringLiteral("Default_RTF"), controls.associateRtf);
    options.associateRtf = controls.associateRtf;
    key.writeFlag(QStringLiteral("Default_TXT"), controls.associateTxt);
    options.associateTxt = controls.associateTxt;
    key.writeFlag(QStringLiteral("Default_Context"), controls.sendTo);
    options.sendTo = controls.sendTo;
    key.writeFlag(QStringLiteral("Default_DialogPosition"), controls.rememberDialogPosition);
}

void setInstallDefaults(SettingsControls& controls)
{
    controls.associateRtf = true;
    controls.associateTxt = true;
    controls.sendTo = true;
    controls.notesFileName = true;
    controls.rememberDialogPosition = true;
    controls.fileType = FileType::Rtf;
    controls.linesPerPage = QStringLiteral("58");
}

}  // namespace qp
