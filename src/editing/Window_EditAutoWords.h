#pragma once

#include "editing/AutoWordList.h"

#include <QDialog>

class QCheckBox;
class QPlainTextEdit;
class QPushButton;

namespace qp {

// Edits the auto-word file as plain text. Created once, hidden, at start-up;
// showing and closing only show and hide it.
class TForm_EditAutoWords : public QDialog {
    Q_OBJECT
public:
    TForm_EditAutoWords(AutoWordsHost& host, AutoWordList& list, QWidget* parent);

    // Action_Insert_EditAutoWords: shows the dialog, or brings it to the front.
    void showDialog();
    // Saves the text, then sorts and reloads the list as the check box says.
    void ok();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildControls();

    AutoWordsHost& m_host;
    AutoWordList& m_list;
    QPlainTextEdit* RichEdit1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;  // OK
    QPushButton* Button2 = nullptr;  // Cancel
};

}  // namespace qp
