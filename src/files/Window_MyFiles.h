#pragma once

#include "files/Tools_FileLists.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QListWidget;
class QMenu;
class QPushButton;

namespace qp {

// Twelve documents the user keeps by hand, each in a fixed slot. Created
// once, hidden, at start-up; showing and closing only show and hide it.
class TForm_MyFiles : public QDialog {
    Q_OBJECT
public:
    TForm_MyFiles(std::unique_ptr<FilesHost> host, QWidget* parent);
    ~TForm_MyFiles() override;

    // Action_File_MyFiles: shows the dialog, or brings it to the front.
    void showDialog();
    void openSlot();
    void addFile();
    void addCurrentFile();
    void deleteFile();
    void showFullPath();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();
    void updateButtons();
    int currentSlot() const;
    QString& current() { return m_slots[currentSlot() - 1]; }
    // Asks before a used slot is overwritten; No ends the command.
    void confirmOverwrite();
    void store();
    void run(void (TForm_MyFiles::*command)());

    std::unique_ptr<FilesHost> m_host;
    FileSlots m_slots;
    QString m_addFilter;
    QListWidget* ListBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;  // Open
    QPushButton* Button2 = nullptr;  // Delete
    QPushButton* Button3 = nullptr;  // Add...
    QMenu* PopupMenu1 = nullptr;
    QAction* m_showFullPath = nullptr;
    QAction* m_addCurrentFile = nullptr;
    // Last, so it goes before the host its callbacks use.
    std::unique_ptr<QObject> m_position;
};

}  // namespace qp
