#pragma once

#include "help/HelpCommands.h"

#include <QDialog>

#include <memory>

class QLabel;
class QPushButton;

namespace qp {

// The people behind the program, reached from About.
// Created once, hidden, at start-up; showing and closing only show and hide it.
class TForm_Credits : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Credits(std::unique_ptr<HelpHost> host, QWidget* parent = nullptr);
    ~TForm_Credits() override;

    // Closing gives the focus back to this window (About).
    void setReturnWindow(QWidget* window) { m_returnWindow = window; }
    void showDialog();
    // A click on the picture.
    void showPoweredBy();

protected:
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<HelpHost> m_host;
    QWidget* m_returnWindow = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* Button1 = nullptr;  // OK
};

}  // namespace qp
