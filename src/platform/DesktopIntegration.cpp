#include "platform/DesktopIntegration.h"

#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStringList>

#include <optional>

namespace qp {

namespace {

const QString DefaultGroup = QStringLiteral("[Default Applications]");

// A theme name: the desktop looks it up in the icon theme and falls back to its own.
QString iconName() { return QStringLiteral("quillpress"); }
// The icon theme's place in the same data folder as the applications.
QString iconPath(const XdgFolders& folders)
{
    return QDir(folders.applications).filePath(QStringLiteral("../icons/hicolor/scalable/apps/quillpress.svg"));
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
QString backupPath(const XdgFolders& folders)
{
    return QDir(folders.config).filePath(QStringLiteral("quillpress/mimeapps-backup.list"));
}

// Quotes a path for an Exec line: reserved characters are escaped inside double quotes.
QString execQuoted(const QString& path)
{
    QString escaped = path;
    for (const char* c : {"\\", "\"", "`", "$"})
        escaped.replace(QString::fromLatin1(c), QStringLiteral("\\") + QString::fromLatin1(c));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

void writeAtomically(const QString& path, const QString& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw AppError(QStringLiteral("Cannot write %1").arg(path));
}

QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral("Cannot open file %1").arg(path));
    QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The line of `key` inside [Default Applications], or -1.
int findEntry(const QStringList& lines, const QString& key)
{
    bool inGroup = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inGroup = line == DefaultGroup;
        else if (inGroup && line.section(QLatin1Char('='), 0, 0).trimmed() == key)
            return i;
    }
    return -1;
}

std::optional<QString> readEntry(const QString& path, const QString& key)
{
    const QStringList lines = readLines(path);
    const int at = findEntry(lines, key);
    if (at < 0)
        return std::nullopt;
    return lines[at].section(QLatin1Char('='), 1).trimmed();
}

// Sets (or with nullopt removes) one entry, keeping every other line as it was.
void writeEntry(const QString& path, const QString& key, const std::optional<QString>& value)
{
    QStringList lines = readLines(path);
    const int at = findEntry(lines, key);
    if (at >= 0) {
        if (value)
            lines[at] = key + QLatin1Char('=') + *value;
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
        lines.insert(group + 1, key + QLatin1Char('=') + *value);
    }
    writeAtomically(path, lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

}  // namespace

QStringList desktopEntryCommand(const QString& path)
{
    QStringList lines;
    try {
        lines = readLines(path);
    } catch (const AppError&) {
        return {};
    }
    bool inEntry = false;
    QString exec;
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QLatin1String("[Desktop Entry]");
        else if (inEntry && line.section(QLatin1Char('='), 0, 0).trimmed() == QLatin1String("Exec"))
            exec = line.section(QLatin1Char('='), 1).trimmed();
    }
    QStringList command;
    for (QString argument : QProcess::splitCommand(exec)) {
        QString out;
        for (int i = 0; i < argument.size(); ++i) {
            if (argument[i] == QLatin1Char('%') && i + 1 < argument.size()) {
                if (argument[++i] == QLatin1Char('%'))
                    out += QLatin1Char('%');
                continue;  // a field code: no files, so nothing in its place
            }
            out += argument[i];
        }
        if (!out.isEmpty() || !argument.startsWith(QLatin1Char('%')))
            command << out;
    }
    return command;
}

QString desktopEntryName() { return QStringLiteral("quillpress.desktop"); }

XdgFolders XdgFolders::fromEnvironment()
{
    XdgFolders folders;
    folders.applications = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    folders.config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return folders;
}

void writeDesktopEntry(const XdgFolders& folders, const QString& programPath)
{
    const QString program = execQuoted(programPath);
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Quillpress\n"
                             "Comment=Write rich text and plain text\n"
                             "Exec=%1 %f\n"
                             "Icon=%2\n"
                             "Terminal=false\n"
                             "Categories=Office;WordProcessor;\n"
                             "MimeType=text/rtf;text/plain;\n"
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
    writeAtomically(QDir(folders.applications).filePath(desktopEntryName()), text);
    writeAtomically(iconPath(folders), QString::fromUtf8(programIcon()));
}

void removeDesktopEntry(const XdgFolders& folders)
{
    QFile::remove(QDir(folders.applications).filePath(desktopEntryName()));
    QFile::remove(iconPath(folders));
}

void makeDefaultHandler(const XdgFolders& folders, const QString& mimeType)
{
    const std::optional<QString> previous = readEntry(mimeAppsPath(folders), mimeType);
    if (!readEntry(backupPath(folders), mimeType))
        writeEntry(backupPath(folders), mimeType, previous.value_or(QString()));
    writeEntry(mimeAppsPath(folders), mimeType, desktopEntryName() + QLatin1Char(';'));
}

void restoreDefaultHandler(const XdgFolders& folders, const QString& mimeType)
{
    const std::optional<QString> current = readEntry(mimeAppsPath(folders), mimeType);
    if (!current || current->section(QLatin1Char(';'), 0, 0) != desktopEntryName())
        return;
    const std::optional<QString> backup = readEntry(backupPath(folders), mimeType);
    // An empty backup means there was no default before.
    writeEntry(mimeAppsPath(folders), mimeType, backup && !backup->isEmpty() ? backup : std::nullopt);
    if (backup)
        writeEntry(backupPath(folders), mimeType, std::nullopt);
}

void writeSendToEntry(const XdgFolders& folders, const QString& programPath)
{
    // application/octet-stream is the parent of every file type, so file
    // managers offer the entry for all files; it stays out of the menus.
    const QString text = QStringLiteral(
                             "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Send to Quillpress\n"
                             "Exec=%1 %f\n"
                             "Icon=%2\n"
                             "NoDisplay=true\n"
                             "MimeType=application/octet-stream;\n")
                             .arg(execQuoted(programPath), iconName());
    writeAtomically(QDir(folders.applications).filePath(sendToEntryName()), text);
}

void removeSendToEntry(const XdgFolders& folders)
{
    QFile::remove(QDir(folders.applications).filePath(sendToEntryName()));
}

}  // namespace qp
