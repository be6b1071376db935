#include "app/Tools_Other.h"

#include "app/Applic.h"
#include "app/Commands.h"
#include "app/document/Tools_File.h"
#include "platform/Services.h"
#include "platform/ShellService.h"

#include <QAction>
#include <QDir>

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
        found.append({dir.filePath(name), toolSlotCaption(name)});
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
    app.services().shell.open(app.options().runPath, QLatin1Char('"') + fileName + QLatin1Char('"'));
    app.addToRecentFiles(fileName);
}

}  // namespace qp
