#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QWidget;

namespace qp {

struct FileDialogRequest {
    // The window the dialog belongs to: it stands in front of it, also when
    // that window is kept on top of others.
    QWidget* parent = nullptr;
    QString title;
    // "Desc|pattern|Desc|pattern..." as the program writes its type lists.
    QString filter;
    int filterIndex = 1;  // 1-based, as the program counts its type entries
    QString fileName;
    QString defaultExtension;  // without the dot
    bool overwritePrompt = false;
    bool mustExist = false;
    // A line shown in the dialog, below the name box, telling why it was opened.
    QString note;
    // The type entry (counted from 1) that lists only programs, the files the
    // user may run, whatever their names; 0 for none.
    int programsEntry = 0;
    // Called when the user picks another type entry; returns the new text for
    // the name box (or the name unchanged).
    std::function<QString(int filterIndex, const QString& name)> onTypeChange;
};

struct FileDialogResult {
    bool accepted = false;
    QString fileName;
    int filterIndex = 1;
};

class FileDialogService {
public:
    virtual ~FileDialogService() = default;
    virtual FileDialogResult open(const FileDialogRequest& request) = 0;
    virtual FileDialogResult save(const FileDialogRequest& request) = 0;
};

std::unique_ptr<FileDialogService> makeQtFileDialogService();

// "Desc|pattern|..." to the entries QFileDialog expects: "Desc (pattern)".
QStringList qtNameFilters(const QString& filter);

// The name Qt's own Save dialog puts into the name box when the user picks the
// type entry `nameFilter` ("Desc (pattern ...)"): the name's extension replaced
// by that of the entry's first pattern, "*" included. Undone before the
// program's own rule applies, so that "All Files (*.*)" leaves a name alone.
QString qtRenamedForType(const QString& name, const QString& nameFilter);

}  // namespace qp
