#pragma once

#include "files/Tools_FileLists.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QListWidget;
class QMenu;
class QPushButton;

namespace qp {

// The twelve most recently loaded documents, most recent first. Created once,
// hidden, at start-up; showing and closing only show and hide it.
class TForm_RecentFiles : public QDialog {
    Q_OBJECT
public:
    TForm_RecentFiles(std::unique_ptr<FilesHost> host, QWidget* parent);
    ~TForm_RecentFiles() override;

    // Every successful load of a document enters it here.
    void addDocument(const QString& path);

    // Action_File_RecentFiles: shows the dialog, or brings it to the front.
    void showDialog();
    void openSlot();
    void clearList();
    void showFullPath();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void updateButtons();
    int currentSlot() const;
    void run(void (TForm_RecentFiles::*command)());

    std::unique_ptr<FilesHost> m_host;
    FileSlots m_slots;
    QListWidget* ListBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;  // Open
    QPushButton* Button2 = nullptr;  // Clear List
    QMenu* PopupMenu1 = nullptr;
    QAction* m_showFullPath = nullptr;
    // Last, so it goes before the host its callbacks use.
    std::unique_ptr<QObject> m_position;
};

}  // namespace qp
