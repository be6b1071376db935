#include "platform/FileDialogService.h"

#include "platform/WindowManagement.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>

namespace qp {

QStringList qtNameFilters(const QString& filter)
{
    QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString description = parts[i].trimmed();
        // Qt reads the patterns from the last parentheses; a description that
        // already shows them would be shown twice, so keep the text before them.
        const int paren = description.lastIndexOf(QLatin1Char('('));
        const QString shown = paren > 0 ? description.left(paren).trimmed() : description;
        result << QStringLiteral("%1 (%2)").arg(shown, patterns.simplified());
    }
    return result;
}

QString qtRenamedForType(const QString& name, const QString& nameFilter)
{
    const int open = nameFilter.lastIndexOf(QLatin1Char('('));
    const int close = nameFilter.lastIndexOf(QLatin1Char(')'));
    const QString patterns = open >= 0 && close > open ? nameFilter.mid(open + 1, close - open - 1) : nameFilter;
    const QString first = patterns.simplified().section(QLatin1Char(' '), 0, 0);
    const QString extension = QFileInfo(first).suffix();
    const QString nameExtension = QFileInfo(name).suffix();
    if (extension.isEmpty() || nameExtension.isEmpty())
        return name;
    return name.left(name.size() - nameExtension.size()) + extension;
}

namespace {

// Folders, and while the programs entry is chosen only the files the user may
// run: a name pattern cannot say which files are programs on Linux.
class ProgramsFilter final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setProgramsOnly(bool on)
    {
        if (on == m_programsOnly)
            return;
        m_programsOnly = on;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        if (!m_programsOnly)
            return true;
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files)
            return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }

private:
    bool m_programsOnly = false;
};

FileDialogResult runDialog(const FileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(request.parent, request.title);
    keepAboveKeptOnTop(dialog);
    // Qt's own dialog, so that the name box can be rewritten on a type change.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!request.overwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = qtNameFilters(request.filter);
    if (request.programsEntry > 0) {
        auto* programs = new ProgramsFilter(&dialog);
        dialog.setProxyModel(programs);
        programs->setProgramsOnly(request.filterIndex == request.programsEntry);
        QObject::connect(&dialog, &QFileDialog::filterSelected, programs, [&, programs](const QString& chosen) {
            programs->setProgramsOnly(int(filters.indexOf(chosen)) + 1 == request.programsEntry);
        });
    }
    dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (!request.defaultExtension.isEmpty())
        dialog.setDefaultSuffix(request.defaultExtension);
    if (!request.fileName.isEmpty()) {
        const QFileInfo info(request.fileName);
        if (info.isAbsolute())
            dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    auto* nameBox = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    QString previousName;
    QString currentName = nameBox ? nameBox->text() : QString();
    if (request.onTypeChange && nameBox) {
        // Qt rewrites the name itself before it reports the new type; the name
        // as it stood before that is what the program's rule starts from.
        QObject::connect(nameBox, &QLineEdit::textChanged, &dialog, [&](const QString& text) {
            previousName = currentName;
            currentName = text;
        });
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
            const QString shown = nameBox->text();
            const bool renamedByQt = shown != previousName && shown == qtRenamedForType(previousName, chosen);
            const QString rewritten = request.onTypeChange(int(filters.indexOf(chosen)) + 1,
                                                           renamedByQt ? previousName : shown);
            if (rewritten != shown)
                nameBox->setText(rewritten);
        });
    }
    if (!request.note.isEmpty()) {
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
            auto* note = new QLabel(request.note, &dialog);
            note->setObjectName(QStringLiteral("note"));
            note->setWordWrap(true);
            grid->addWidget(note, grid->rowCount(), 0, 1, grid->columnCount());
        }
    }
    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return result;
    result.accepted = true;
    result.fileName = dialog.selectedFiles().constFirst();
    result.filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return result;
}

class QtFileDialogService final : public FileDialogService {
public:
    FileDialogResult open(const FileDialogRequest& request) override
    {
        return runDialog(request, QFileDialog::AcceptOpen);
    }
    FileDialogResult save(const FileDialogRequest& request) override
    {
        return runDialog(request, QFileDialog::AcceptSave);
    }
};

}  // namespace

std::unique_ptr<FileDialogService> makeQtFileDialogService()
{
    return std::make_unique<QtFileDialogService>();
}

}  // namespace qp
