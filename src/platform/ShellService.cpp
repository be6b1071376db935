#include "platform/ShellService.h"

#include "platform/DesktopIntegration.h"
#include "platform/DesktopRecentFiles.h"

#include <QDesktopServices>
#include <QMimeDatabase>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace qp {

namespace {

class QtShellService final : public ShellService {
public:
    explicit QtShellService(QString programPath) : m_programPath(std::move(programPath)) {}

    bool open(const QString& path, const QString& parameters) override
    {
        const QFileInfo info(path);
        // A desktop entry is started by its own Exec line, not opened as a document.
        if (info.isFile() && info.suffix().compare(QLatin1String("desktop"), Qt::CaseInsensitive) == 0) {
            const QStringList command = desktopEntryCommand(path);
            return !command.isEmpty() && QProcess::startDetached(command.first(), command.mid(1));
        }
        if (info.isFile() && info.isExecutable())
            return QProcess::startDetached(path, QProcess::splitCommand(parameters), info.absolutePath());
        const QUrl url = QUrl::fromUserInput(path, QString(), QUrl::AssumeLocalFile);
        return url.isValid() && QDesktopServices::openUrl(url);
    }

    bool startProgramCopy() override
    {
        return QProcess::startDetached(m_programPath, {});
    }

    void notifyAssociationsChanged() override
    {
        // Desktops read the association files again when their folders change;
        // refreshing the desktop database makes that immediate where the tool exists.
        QProcess::startDetached(QStringLiteral("update-desktop-database"),
                                {XdgFolders::fromEnvironment().applications});
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
        for (const char* mimeType : {"text/rtf", "text/plain"})
            restoreDefaultHandler(folders, QString::fromLatin1(mimeType));
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
