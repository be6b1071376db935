#pragma once

#include "editing/EditingDialogHost.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace qp {

// Goes to a line by its number and keeps line marks ("Mark: 12") in the
// field's history. Created once, hidden, at start-up; showing and closing
// only show and hide it, so the field and its history last the whole run.
class TForm_GoToLine : public QDialog {
    Q_OBJECT
public:
    TForm_GoToLine(std::unique_ptr<EditingDialogHost> host, QWidget* parent);
    ~TForm_GoToLine() override;

    // Action_Search_GoToLine: shows the dialog, or brings it to the front.
    void showDialog();
    // The Go button and Enter.
    void go();
    // The Mark Line button and Action_Search_MarkLine, open or not.
    void markLine();
    // The history, in its sorted order.
    QStringList history() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void addToHistory(const QString& text);

    std::unique_ptr<EditingDialogHost> m_host;
    QComboBox* ComboBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;  // Go
    QPushButton* Button2 = nullptr;  // Mark Line
    // Last, so it goes before the host its callbacks use.
    std::unique_ptr<QObject> m_position;
};

// The line number a Go To Line field names: the text after "Mark: " (at most
// ten characters) or the whole text. Throws the conversion error.
int lineNumberFromField(const QString& field);

// Selects line `number` (from 1, held to the lines there are) with its line
// break, after scrolling it ten lines below the top of the view.
void goToLine(RichEdit& editor, int number);

}  // namespace qp
