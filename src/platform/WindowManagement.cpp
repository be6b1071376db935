#include "platform/WindowManagement.h"

#include <QMainWindow>
#include <QMenuBar>

namespace qp {

namespace {

// Changing window flags hides the window; put back what it had.
void changeFlags(QWidget& window, Qt::WindowFlags flags)
{
    const QRect bounds = window.geometry();
    const Qt::WindowStates states = window.windowState();
    const bool visible = window.isVisible();
    window.setWindowFlags(flags);
    if (!(states & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        window.setGeometry(bounds);
    window.setWindowState(states);
    if (visible)
        window.show();
}

}  // namespace

void setStayOnTop(QWidget& window, bool onTop)
{
    Qt::WindowFlags flags = window.windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    changeFlags(window, flags);
    window.show();
}

void setTitleBar(QWidget& window, bool shown)
{
    Qt::WindowFlags flags = window.windowFlags();
    flags.setFlag(Qt::FramelessWindowHint, !shown);
    changeFlags(window, flags);
}

void setMenuAttached(QMainWindow& window, bool attached)
{
    // A hidden menu bar keeps its actions' shortcuts through the program's own dispatch.
    window.menuBar()->setVisible(attached);
}

bool isMenuAttached(const QMainWindow& window)
{
    return !window.menuBar()->isHidden();
}

}  // namespace qp
