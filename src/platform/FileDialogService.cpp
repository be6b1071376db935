#include "platform/FileDialogService.h"

#include "platform/WindowManagement.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
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

// Qt's dialog reads double quotes in the name box as a list of files ("a" "b")
// and takes the first, so a typed name with quotes in it would be saved under
// another name, even in another folder. Such a name is taken as typed, as
// the file system allows it, with the checks Qt's own accept makes.
class QuoteSafeFileDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    // The name taken as typed, or empty when Qt's own reading stands.
    QString typedFile() const { return m_typedFile; }

protected:
    void accept() override
    {
        m_typedFile.clear();
        auto* nameBox = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = nameBox ? nameBox->text().trimmed() : QString();
        if (!typed.contains(QLatin1Char('"'))) {
            QFileDialog::accept();
            return;
        }
        const QString path = QDir::cleanPath(directory().absoluteFilePath(QDir::fromNativeSeparators(typed)));
        const QFileInfo info(path);
        if (info.isDir()) {
            setDirectory(path);
            nameBox->clear();
            return;
        }
        if (acceptMode() == AcceptOpen) {
            if (info.isFile())
                acceptTyped(path);
            else
                refuse(QStringLiteral("\"%1\" does not exist.").arg(QDir::toNativeSeparators(path)));
            return;
        }
        if (!info.dir().exists()) {
            refuse(QStringLiteral("The folder \"%1\" does not exist.\nThe file can not be saved there.")
                       .arg(QDir::toNativeSeparators(info.absolutePath())));
            return;
        }
        QString chosen = path;
        if (!defaultSuffix().isEmpty() && info.suffix().isEmpty())
            chosen += QLatin1Char('.') + defaultSuffix();
        if (QFileInfo::exists(chosen) && !testOption(DontConfirmOverwrite)) {
            const auto answer = QMessageBox::warning(
                this, windowTitle(),
                QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(chosen).fileName()),
                QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
            if (answer != QMessageBox::Yes)
                return;
        }
        acceptTyped(chosen);
    }

private:
    void acceptTyped(const QString& path)
    {
        m_typedFile = path;
        QDialog::accept();
    }

    void refuse(const QString& text) { QMessageBox::warning(this, windowTitle(), text); }

    QString m_typedFile;
};

FileDialogResult runDialog(const FileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QuoteSafeFileDialog dialog(request.parent, request.title);
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
    if (dialog.exec() != QDialog::Accepted)
        return result;
    result.fileName = dialog.typedFile();
    if (result.fileName.isEmpty()) {
        if (dialog.selectedFiles().isEmpty())
            return result;
        result.fileName = dialog.selectedFiles().constFirst();
    }
    result.accepted = true;
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
