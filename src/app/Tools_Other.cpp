#include "app/Tools_Other.h"

#include "app/Applic.h"
#include "app/Commands.h"
#include "app/document/Tools_File.h"
#include "platform/DesktopEntry.h"
#include "platform/Services.h"
#include "platform/ShellService.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

namespace qp {

namespace {

const QString Extension = QStringLiteral(".desktop");

}  // namespace

QString toolSlotCaption(const QString& fileName)
{
    const int at = fileName.indexOf(Extension, 0, Qt::CaseInsensitive);
    return at < 0 ? fileName : fileName.left(at);
}

QList<ToolSlot> findToolSlots(const QString& folder)
{
    QList<ToolSlot> found;
    if (folder.isEmpty())
        return found;
    const QDir dir(folder);
    // The name filter matches any case of the extension.
    const QStringList names = dir.entryList({QStringLiteral("*") + Extension}, QDir::Files | QDir::Hidden | QDir::System,
                                            QDir::Name);
    for (const QString& name : names) {
        if (found.size() == ToolSlotCount)
            break;
        const QString path = dir.filePath(name);
        const std::optional<DesktopEntry> entry = DesktopEntry::read(path);
        if (!entry || !entry->showsInMenus())
            continue;
        QString caption = entry->name.isEmpty() ? toolSlotCaption(name) : entry->name;
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        found.append({path, caption, entry->icon});
    }
    return found;
}

void fillToolSlots(TApp& app)
{
    const QList<ToolSlot> found = findToolSlots(app.services().paths.programFolder);
    for (int i = 0; i < found.size(); ++i) {
        const Command slot = Command(FirstToolSlot + i);
        app.action(slot)->setText(found[i].caption);
        app.action(slot)->setData(found[i].path);
        const QString& icon = found[i].icon;
        if (!icon.isEmpty())
            app.action(slot)->setIcon(QFileInfo(icon).isAbsolute() ? QIcon(icon) : QIcon::fromTheme(icon));
        app.setCommandVisible(slot, true);
    }
}

void runToolSlot(TApp& app, int slot)
{
    app.services().shell.open(app.action(Command(FirstToolSlot + slot))->data().toString(), QString());
}

void runDocument(TApp& app)
{
    fileSave(app);
    const QString fileName = app.document().fileName;
    // The program may start in another folder: the name it gets is absolute.
    app.services().shell.runWith(app.options().runPath, QFileInfo(fileName).absoluteFilePath());
    app.addToRecentFiles(fileName);
}

}  // namespace qp
