#include "platform/ShellService.h"

#include "platform/DesktopEntry.h"
#include "platform/DesktopIntegration.h"
#include "platform/DesktopRecentFiles.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace qp {

namespace {

bool isDesktopEntryFile(const QFileInfo& info)
{
    return info.isFile() && info.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0;
}

// The user's terminal emulator with the option that makes it run a command:
// $TERMINAL as xdg-utils reads it, else the desktop's choice, else xterm.
QStringList terminalPrefix()
{
    const QString chosen = qEnvironmentVariable("TERMINAL").trimmed();
    if (!chosen.isEmpty()) {
        if (chosen.contains(QLatin1Char(' ')))
            return QProcess::splitCommand(chosen);
        return {chosen, QStringLiteral("-e")};
    }
    for (const char* name : {"x-terminal-emulator", "xterm"}) {
        if (!QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty())
            return {QString::fromLatin1(name), QStringLiteral("-e")};
    }
    return {};
}

bool startEntry(const QString& path, const QStringList& files)
{
    const std::optional<DesktopEntry> entry = DesktopEntry::read(path);
    if (!entry)
        return false;
    QStringList command = entry->command(files);
    if (command.isEmpty())
        return false;
    if (entry->terminal) {
        const QStringList terminal = terminalPrefix();
        if (terminal.isEmpty())
            return false;
        command = terminal + command;
    }
    const QString program = command.takeFirst();
    const QString folder = QFileInfo(entry->workingFolder).isDir() ? entry->workingFolder : QString();
    return QProcess::startDetached(program, command, folder);
}

class QtShellService final : public ShellService {
public:
    explicit QtShellService(QString programPath) : m_programPath(std::move(programPath)) {}

    bool open(const QString& path, const QString&) override
    {
        const QFileInfo info(path);
        if (isDesktopEntryFile(info))
            return startEntry(info.absoluteFilePath(), {});
        const QUrl url = QUrl::fromUserInput(path, QString(), QUrl::AssumeLocalFile);
        return url.isValid() && QDesktopServices::openUrl(url);
    }

    bool runWith(const QString& program, const QString& document) override
    {
        const QFileInfo info(program);
        if (isDesktopEntryFile(info))
            return startEntry(info.absoluteFilePath(), {document});
        if (info.isFile() && info.isExecutable())
            return QProcess::startDetached(info.absoluteFilePath(), {document}, info.absolutePath());
        if (!program.contains(QLatin1Char('/'))) {
            const QString found = QStandardPaths::findExecutable(program);
            return !found.isEmpty() && QProcess::startDetached(found, {document});
        }
        return false;
    }

    bool startProgramCopy() override
    {
        return QProcess::startDetached(m_programPath, {});
    }

    void notifyAssociationsChanged() override
    {
        // Desktops read the association files again when their folders change;
        // refreshing the desktop database makes that immediate where the tool exists.
        const XdgFolders folders = XdgFolders::fromEnvironment();
        if (desktopDatabaseNeeded(folders))
            QProcess::startDetached(QStringLiteral("update-desktop-database"), {folders.applications});
    }

    void setDefaultHandler(const QString& mimeType, bool on) override
    {
        const XdgFolders folders = XdgFolders::fromEnvironment();
        if (on) {
            writeDesktopEntry(folders, m_programPath);
            makeDefaultHandler(folders, mimeType);
        } else {
            restoreDefaultHandler(folders, mimeType);
        }
    }

    bool isDefaultHandler(const QString& mimeType) override
    {
        return qp::isDefaultHandler(XdgFolders::fromEnvironment(), mimeType);
    }

    void setSendToEntry(bool on) override
    {
        const XdgFolders folders = XdgFolders::fromEnvironment();
        if (on)
            writeSendToEntry(folders, m_programPath);
        else
            removeSendToEntry(folders);
    }

    void removeDesktopIntegration() override
    {
        const XdgFolders folders = XdgFolders::fromEnvironment();
        for (const char* mimeType : {"text/rtf", "application/rtf", "text/plain"})
            restoreDefaultHandler(folders, QString::fromLatin1(mimeType));
        removeHandlerBackups(folders);
        removeSendToEntry(folders);
        removeDesktopEntry(folders);
    }

    void addRecentDocument(const QString& path) override
    {
        const QFileInfo info(path);
        RecentFileEntry entry;
        entry.filePath = info.absoluteFilePath();
        entry.mimeType = QMimeDatabase().mimeTypeForFile(info).name();
        entry.applicationName = QStringLiteral("Quillpress");
        entry.exec = QStringLiteral("'%1 %u'").arg(QFileInfo(m_programPath).fileName());
        entry.when = QDateTime::currentDateTime();
        addToDesktopRecentFiles(desktopRecentFilesPath(), entry);
    }

private:
    QString m_programPath;
};

}  // namespace

std::unique_ptr<ShellService> makeQtShellService(QString programPath)
{
    return std::make_unique<QtShellService>(std::move(programPath));
}

}  // namespace qp
