#pragma once

#include "help/HelpCommands.h"

#include <QDialog>

#include <memory>

class QPushButton;
class QTableWidget;

namespace qp {

// Additional Functions: the keys the menus do not show, and their printout.
// Created once, hidden, at start-up; showing and closing only show and hide it.
class TForm_Shortcuts : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Shortcuts(std::unique_ptr<HelpHost> host, QWidget* parent = nullptr);
    ~TForm_Shortcuts() override;

    // Action_Help_Shortcuts: shows the window, or brings it to the front.
    void showDialog();
    // The Print button: the listing on the default printer, no dialog.
    void print();

private:
    std::unique_ptr<HelpHost> m_host;
    QTableWidget* ListView1 = nullptr;
    QPushButton* Button1 = nullptr;  // OK
    QPushButton* Button2 = nullptr;  // Print
};

}  // namespace qp
