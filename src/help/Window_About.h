#pragma once

#include "help/HelpCommands.h"

#include <QDialog>

#include <memory>

class QLabel;
class QPushButton;

namespace qp {

class TForm_Credits;

// The program's name, version and maker, with the Details box and the Credits.
// Created once, hidden, at start-up; showing and closing only show and hide it.
class TForm_About : public QDialog {
    Q_OBJECT
public:
    TForm_About(std::unique_ptr<HelpHost> host, TForm_Credits& credits, QWidget* parent = nullptr);
    ~TForm_About() override;

    // Shows the window, or brings it to the front.
    void showDialog();
    // The Details button and Ctrl+I.
    void showDetails();
    // A click on the icon.
    void showHiddenMessage();
    // A click on the link.
    void openWebPage();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<HelpHost> m_host;
    TForm_Credits& m_credits;
    QLabel* Image1 = nullptr;
    QLabel* Label2 = nullptr;  // the version line
    QLabel* Label7 = nullptr;  // the link
    QPushButton* Button1 = nullptr;  // OK
    QPushButton* Button2 = nullptr;  // Details
    QPushButton* Button3 = nullptr;  // Credits
};

// The maker's web page the About window links to.
extern const char* const WebPage;

}  // namespace qp
