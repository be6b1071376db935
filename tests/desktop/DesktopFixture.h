#pragma once

#include "support/AppFixture.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QStringList>
#include <QWidget>

#include <functional>

namespace qp::test {

// The program on the private X server, driven as a user drives it: key
// presses and clicks go through the X server (xdotool), the window manager
// frames, places, stacks and focuses the windows. What a test reads back
// about placement and stacking it reads from the X server as well.
class DesktopFixture : public AppFixture {
protected:
    void SetUp() override;

    // Starts the program and waits until the window manager has placed the window.
    TApp& startOnDesktop(const QStringList& arguments = {});
    TApp& restartOnDesktop();

    // Waits until the window is shown, framed (unless frameless) and has stopped moving.
    void waitUntilPlaced(QWidget& window);
    // Waits for a condition, handling events meanwhile; false on timeout.
    bool waitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

    // Key presses in xdotool's names ("alt+e", "ctrl+shift+period", "Escape"), as typed.
    void keys(const QString& names);
    void clickAt(const QPoint& globalPosition);
    // Switches the keyboard layout of the X server ("us", "de", "fr").
    void setLayout(const QString& layout);

    // The frame of the window as the X server has it: the inside of the window
    // where the server put it, widened by the frame the window manager announces.
    QRect frameOnScreen(const QWidget& window);
    // The managed windows from the bottom of the stack to the top.
    QList<quint64> stackingOrder();
    quint64 transientFor(const QWidget& window);

    // Saves a picture of the whole screen as <name>.png into QP_SCREENSHOT_DIR, when that is set.
    void screenshot(const QString& name);

    // Runs an X client on the private server; its standard output.
    QString runX(const QString& program, const QStringList& arguments);
};

}  // namespace qp::test
