#pragma once

#include <QRect>
#include <QString>

#include <array>
#include <functional>

class QAction;
class QCheckBox;
class QDialog;
class QListWidget;
class QMenu;
class QPushButton;

namespace qp {

class FileDialogService;
class MessageService;
class Registry;

// The two file lists (recent files and My Files) hold exactly twelve slots.
inline constexpr int FileListSlotCount = 12;
using FileSlots = std::array<QString, FileListSlotCount>;

// What the file lists need of the main window and its document.
class FilesHost {
public:
    virtual ~FilesHost() = default;
    virtual Registry& registry() = 0;
    virtual MessageService& messages() = 0;
    virtual FileDialogService& fileDialogs() = 0;
    // The one guard of entries from the event loop.
    virtual bool guarded(const std::function<void()>& work) = 0;
    virtual bool rememberDialogPosition() = 0;
    virtual QRect mainWindowFrame() = 0;
    // The document's path; empty for a document never saved.
    virtual QString documentFileName() = 0;
    // "Save <name>?" for a modified document; Cancel ends the caller.
    virtual void querySave() = 0;
    // Loads the file as the document (which enters it into the recent list);
    // a missing file leaves the document as it was and says so.
    virtual void loadDocument(const QString& path) = 0;
    // The main Open dialog's type list.
    virtual QString openFilter() = 0;
};

// Twelve slots as a list that was never stored holds them: a space each.
FileSlots placeholderSlots();

// A slot is used unless it holds the empty string (" " counts as used).
bool slotUsed(const QString& slot);

// The file-name part shown for a slot: the text after the last "/".
QString fileNamePart(const QString& path);

// The recent list's add rule: an exact, case-sensitive match moves to the
// top; anything else goes in front and the twelfth slot falls off.
void addToRecentSlots(FileSlots& slots, const QString& path);

// Where a list lives: its subkey of the settings root and the prefix of its
// values ("Recent" gives Recent01 to Recent12).
struct FileListStore {
    QString subkey;
    QString valuePrefix;
};

// Reads the twelve values; a missing subkey leaves the slots as they are, a
// missing or unreadable value reads as the empty string.
void readSlots(Registry& registry, const FileListStore& store, FileSlots& slots);
// Writes all twelve values, creating the subkey when needed.
void storeSlots(Registry& registry, const FileListStore& store, const FileSlots& slots);

// What the two file-list dialogs share, top to bottom: the display list
// (ListBox1), the " Options " group with "&Don't Close Dialog" (CheckBox1) and
// the row of buttons; the dialog keeps the size it was drawn for, or what its
// texts need if more.
struct FileListControls {
    QListWidget* list = nullptr;
    QCheckBox* dontClose = nullptr;
};
FileListControls buildFileListDialog(QDialog& dialog, std::initializer_list<QPushButton*> buttons);

// The display list: line i shows the file-name part of slot i.
void fillDisplayList(QListWidget& list, const FileSlots& slots);

// The slot (1 to 12) of the display list's current line; the first when none is.
int currentSlotOf(const QListWidget& list);

// The display list's pop-up menu: a right click first selects the line under
// it, and Show Full Path is offered only while that line's slot is used.
void connectSlotMenu(QListWidget& list, QMenu& menu, QAction& showFullPath, const FileSlots& slots);

inline const QString CannotOpenMessage =
    QStringLiteral("This file can not be opened. Possible reasons are:\rThe file is renamed, deleted or moved.");

}  // namespace qp
