#include "platform/DesktopIntegration.h"

#include "platform/DesktopEntry.h"
#include "platform/Errors.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>

#include <optional>

namespace qp {

namespace {

const QByteArray DefaultGroup = QByteArrayLiteral("[Default Applications]");

// A theme name: the desktop looks it up in the icon theme and falls back to its own.
QString iconName() { return QStringLiteral("quillpress"); }
// The icon theme's place in the same data folder as the applications.
QString iconPath(const XdgFolders& folders)
{
    return QDir::cleanPath(
        QDir(folders.applications).filePath(QStringLiteral("../icons/hicolor/scalable/apps/quillpress.svg")));
}

// The program's icon, as data/icons/quillpress.svg holds it.
QByteArray programIcon()
{
    return QByteArrayLiteral(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
        "  <rect x=\"10\" y=\"6\" width=\"40\" height=\"52\" rx=\"3\" fill=\"#fdfbf4\" stroke=\"#5a4a32\" "
        "stroke-width=\"2\"/>\n"
        "  <g stroke=\"#9a8c74\" stroke-width=\"2\" stroke-linecap=\"round\">\n"
        "    <line x1=\"17\" y1=\"18\" x2=\"40\" y2=\"18\"/>\n"
        "    <line x1=\"17\" y1=\"26\" x2=\"36\" y2=\"26\"/>\n"
        "    <line x1=\"17\" y1=\"34\" x2=\"38\" y2=\"34\"/>\n"
        "    <line x1=\"17\" y1=\"42\" x2=\"28\" y2=\"42\"/>\n"
        "  </g>\n"
        "  <path d=\"M56 6 C44 12 36 26 31 46 L34 47 C38 37 44 30 50 26 C46 26 43 27 41 28 C45 22 50 17 56 6 Z\"\n"
        "        fill=\"#2f5d8a\" stroke=\"#1c3b5a\" stroke-width=\"1.2\" stroke-linejoin=\"round\"/>\n"
        "  <line x1=\"31\" y1=\"46\" x2=\"29\" y2=\"52\" stroke=\"#1c3b5a\" stroke-width=\"1.6\" "
        "stroke-linecap=\"round\"/>\n"
        "</svg>\n");
}

QString sendToEntryName() { return QStringLiteral("quillpress-sendto.desktop"); }
QString mimeAppsPath(const XdgFolders& folders) { return QDir(folders.config).filePath(QStringLiteral("mimeapps.list")); }
// Beside the settings; earlier versions kept it in a folder of its own.
QString backupPath(const XdgFolders& folders)
{
    return QDir(folders.config).filePath(QStringLiteral("Quillpress/mimeapps-backup.list"));
}
QString earlierBackupPath(const XdgFolders& folders)
{
    return QDir(folders.config).filePath(QStringLiteral("quillpress/mimeapps-backup.list"));
}

void writeAtomically(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) < 0 || !file.commit())
        throw AppError(QStringLiteral("Cannot write %1").arg(path));
}

// Lines as bytes: a line the program does not own is written back as it was
// read, whatever its encoding or line ending.
QList<QByteArray> readLines(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file %1").arg(path));
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QByteArray keyOf(const QByteArray& line) { return line.left(line.indexOf('=')).trimmed(); }

// The line of `key` inside [Default Applications], or -1.
int findEntry(const QList<QByteArray>& lines, const QString& key)
{
    const QByteArray wanted = key.toUtf8();
    bool inGroup = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        if (line.startsWith('['))
            inGroup = line == DefaultGroup;
        else if (inGroup && line.contains('=') && keyOf(line) == wanted)
            return i;
    }
    return -1;
}

std::optional<QString> readEntry(const QString& path, const QString& key)
{
    const QList<QByteArray> lines = readLines(path);
    const int at = findEntry(lines, key);
    if (at < 0)
        return std::nullopt;
    const QByteArray& line = lines[at];
    return QString::fromUtf8(line.mid(line.indexOf('=') + 1).trimmed());
}

// A file left with nothing but an empty group says nothing; it goes.
bool saysNothing(const QList<QByteArray>& lines)
{
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (!line.isEmpty() && line != DefaultGroup)
            return false;
    }
    return true;
}

// Sets (or with nullopt removes) one entry, keeping every other line as it was.
void writeEntry(const QString& path, const QString& key, const std::optional<QString>& value)
{
    QList<QByteArray> lines = readLines(path);
    const int at = findEntry(lines, key);
    const auto entryLine = [&](const QByteArray& like) {
        // The line ending of its neighbour, so a CR LF file stays CR LF.
        return (key + QLatin1Char('=') + *value).toUtf8() + (like.endsWith('\r') ? "\r" : "");
    };
    if (at >= 0) {
        if (value)
            lines[at] = entryLine(lines[at]);
        else
            lines.removeAt(at);
    } else if (value) {
        int group = -1;
        for (int i = 0; i < lines.size(); ++i)
            if (lines[i].trimmed() == DefaultGroup)
                group = i;
        if (group < 0) {
            lines << DefaultGroup;
            group = int(lines.size()) - 1;
        }
        lines.insert(group + 1, entryLine(lines[group]));
    } else {
        return;
    }
    if (saysNothing(lines)) {
        QFile::remove(path);
        return;
    }
    writeAtomically(path, lines.join('\n') + '\n');
}

QString firstDesktopId(const std::optional<QString>& value)
{
    return value ? value->section(QLatin1Char(';'), 0, 0).trimmed() : QString();
}

void removeIfEmptyFolder(const QString& folder)
{
    QDir dir(folder);
    if (dir.exists() && dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        dir.rmdir(dir.absolutePath());
}

}  // namespace

QString desktopEntryName() { return QStringLiteral("quillpress.desktop"); }

XdgFolders XdgFolders::fromEnvironment()
{
    XdgFolders folders;
    folders.applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    folders.config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return folders;
}

QString desktopEntryText(const QString& programPath)
{
    const QString program = execArgument(programPath);
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Quillpress\n"
                          "GenericName=Rich Text Editor\n"
                          "Comment=Write rich text and plain text\n"
                          "Exec=%1 %f\n"
                          "Icon=%2\n"
                          "Terminal=false\n"
                          "StartupNotify=true\n"
                          "StartupWMClass=Quillpress\n"
                          "Categories=Office;WordProcessor;\n"
                          "MimeType=text/rtf;application/rtf;text/plain;\n"
                          "Actions=Open;Print;\n"
                          "\n"
                          "[Desktop Action Open]\n"
                          "Name=Open\n"
                          "Exec=%1 %f\n"
                          "\n"
                          "[Desktop Action Print]\n"
                          "Name=Print\n"
                          "Exec=%1 %f -p\n")
        .arg(program, iconName());
}

void writeDesktopEntry(const XdgFolders& folders, const QString& programPath)
{
    writeAtomically(QDir(folders.applications).filePath(desktopEntryName()), desktopEntryText(programPath).toUtf8());
    writeAtomically(iconPath(folders), programIcon());
}

void removeDesktopEntry(const XdgFolders& folders)
{
    QFile::remove(QDir(folders.applications).filePath(desktopEntryName()));
    const QString icon = iconPath(folders);
    if (QFile::remove(icon)) {
        // The theme folders the icon alone needed go with it.
        QDir dir = QFileInfo(icon).absoluteDir();
        for (int level = 0; level < 4 && dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden); ++level) {
            const QString folder = dir.absolutePath();
            dir.cdUp();
            dir.rmdir(folder);
        }
    }
}

void makeDefaultHandler(const XdgFolders& folders, const QString& mimeType)
{
    const std::optional<QString> previous = readEntry(mimeAppsPath(folders), mimeType);
    if (!readEntry(backupPath(folders), mimeType) && !readEntry(earlierBackupPath(folders), mimeType))
        writeEntry(backupPath(folders), mimeType, previous.value_or(QString()));
    writeEntry(mimeAppsPath(folders), mimeType, desktopEntryName() + QLatin1Char(';'));
}

void restoreDefaultHandler(const XdgFolders& folders, const QString& mimeType)
{
    if (!isDefaultHandler(folders, mimeType))
        return;
    for (const QString& path : {backupPath(folders), earlierBackupPath(folders)}) {
        const std::optional<QString> backup = readEntry(path, mimeType);
        if (!backup)
            continue;
        // An empty backup means there was no default before.
        writeEntry(mimeAppsPath(folders), mimeType, backup->isEmpty() ? std::nullopt : backup);
        writeEntry(path, mimeType, std::nullopt);
        return;
    }
    writeEntry(mimeAppsPath(folders), mimeType, std::nullopt);
}

bool isDefaultHandler(const XdgFolders& folders, const QString& mimeType)
{
    return firstDesktopId(readEntry(mimeAppsPath(folders), mimeType)) == desktopEntryName();
}

void removeHandlerBackups(const XdgFolders& folders)
{
    for (const QString& path : {backupPath(folders), earlierBackupPath(folders)})
        QFile::remove(path);
    // Only the earlier folder was the backup's own; the other holds the settings.
    removeIfEmptyFolder(QFileInfo(earlierBackupPath(folders)).absolutePath());
}

QString sendToEntryText(const QString& programPath)
{
    // application/octet-stream is the parent of every file type, so file
    // managers that follow the parents offer the entry for all files; it
    // stays out of the menus. Naming more types would make it the opener of
    // every type that has no default of its own: xdg-mime and GIO take the
    // first entry that lists a type, and the user's folder comes first.
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Send to Quillpress\n"
                          "Exec=%1 %f\n"
                          "Icon=%2\n"
                          "NoDisplay=true\n"
                          "MimeType=application/octet-stream;\n")
        .arg(execArgument(programPath), iconName());
}

void writeSendToEntry(const XdgFolders& folders, const QString& programPath)
{
    writeAtomically(QDir(folders.applications).filePath(sendToEntryName()), sendToEntryText(programPath).toUtf8());
}

void removeSendToEntry(const XdgFolders& folders)
{
    QFile::remove(QDir(folders.applications).filePath(sendToEntryName()));
}

bool desktopDatabaseNeeded(const XdgFolders& folders)
{
    const QDir applications(folders.applications);
    if (!applications.exists())
        return false;
    // Entries may stand in vendor subfolders too.
    QDirIterator entries(applications.path(), {QStringLiteral("*.desktop")}, QDir::Files | QDir::Hidden,
                         QDirIterator::Subdirectories);
    if (entries.hasNext())
        return true;
    const QString cache = applications.filePath(QStringLiteral("mimeinfo.cache"));
    QFile file(cache);
    if (file.open(QIODevice::ReadOnly) && !file.readAll().contains('='))
        QFile::remove(cache);
    return false;
}

}  // namespace qp
