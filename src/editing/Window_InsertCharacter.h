#pragma once

#include "editing/EditingDialogHost.h"

#include <QDialog>

#include <memory>

class QListWidget;
class QPushButton;

namespace qp {

// Lists the printable 8-bit characters in the font of the text at the caret
// and inserts the chosen one. Created once, hidden, at start-up; showing and
// closing only show and hide it.
class TForm_InsertCharacter : public QDialog {
    Q_OBJECT
public:
    TForm_InsertCharacter(std::unique_ptr<EditingDialogHost> host, QWidget* parent);
    ~TForm_InsertCharacter() override;

    // Action_Insert_InsertCharacter: shows the dialog, or brings it to the front.
    void showDialog();
    // The button, Enter and a double click: the current entry's character into the document.
    void insertCurrent();
    void zoom();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void buildControls();

    std::unique_ptr<EditingDialogHost> m_host;
    QListWidget* ListBox1 = nullptr;
    QPushButton* Button1 = nullptr;  // Insert
    QPushButton* Button2 = nullptr;  // Zoom
    // Kept for the whole run, across closing and opening.
    int m_pointSize = 8;
    // Last, so it goes before the host its callbacks use.
    std::unique_ptr<QObject> m_position;
};

// The list entry of an 8-bit code: the number, a colon, spaces and the
// character ("65:       A", "165:     ¥").
QString characterEntry(int code);

}  // namespace qp
