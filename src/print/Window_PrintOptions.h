#pragma once

#include "print/PrintCommands.h"

#include <QDialog>

#include <memory>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace qp {

// The margins and the header switch of printing, stored under PrintOptions.
// Created once, hidden, at start-up; showing and closing only show and hide it.
class TForm_PrintOptions : public QDialog {
    Q_OBJECT
public:
    explicit TForm_PrintOptions(std::unique_ptr<PrintHost> host, QWidget* parent = nullptr);
    ~TForm_PrintOptions() override;

    // Action_File_PrintOptions: shows the dialog, or brings it to the front.
    void showDialog();
    // Sets the boxes from the store when options have been stored; a stored
    // index outside the list leaves its box without a selection.
    void loadStored();
    // Each box's text becomes its margin; a box without a selection keeps
    // the margin it had.
    void convertMargins();
    // The OK button: convert, store all five values, close.
    void accept() override;
    // The registry install's choices, taken into use: "1,00 inch" on every
    // side and the header line.
    void setInstallChoices();
    // The five values as the boxes hold them.
    void store();

    PrintMargins margins() const { return m_margins; }
    bool header() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<PrintHost> m_host;
    PrintMargins m_margins;
    QComboBox* ComboBox1 = nullptr;  // left
    QComboBox* ComboBox2 = nullptr;  // right
    QComboBox* ComboBox3 = nullptr;  // top
    QComboBox* ComboBox4 = nullptr;  // bottom
    QCheckBox* CheckBox1 = nullptr;
    QPushButton* Button1 = nullptr;  // OK
    QPushButton* Button2 = nullptr;  // Cancel
};

}  // namespace qp
