#include "platform/WindowManagement.h"

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QWindow>

#include <algorithm>

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

QList<QRect> screenBounds()
{
    QList<QRect> bounds;
    if (const QScreen* primary = QGuiApplication::primaryScreen())
        bounds += primary->geometry();
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            bounds += screen->geometry();
    return bounds;
}

QRect usableWindowBounds(qint64 left, qint64 top, qint64 width, qint64 height, const QList<QRect>& screens,
                         QSize fallback)
{
    // Below this a window cannot be seen or taken hold of.
    constexpr qint64 kSmallest = 100;
    // How much of the top edge must be on a screen to take hold of the title bar.
    constexpr qint64 kGrip = 64;
    constexpr qint64 kTitleHeight = 32;
    const QRect primary = screens.isEmpty() ? QRect(0, 0, 1024, 768) : screens.first();
    if (width < kSmallest || height < kSmallest) {
        width = fallback.width();
        height = fallback.height();
    }
    const QRect* home = nullptr;
    for (const QRect& screen : screens) {
        const qint64 visible = std::min<qint64>(left + width, qint64(screen.left()) + screen.width())
                               - std::max<qint64>(left, screen.left());
        const bool topOnScreen = top >= screen.top() && top + kTitleHeight <= qint64(screen.top()) + screen.height();
        if (topOnScreen && visible >= std::min(width, kGrip)) {
            home = &screen;
            break;
        }
    }
    const QRect screen = home ? *home : primary;
    width = std::min<qint64>(width, screen.width());
    height = std::min<qint64>(height, screen.height());
    if (!home) {
        left = screen.left() + (screen.width() - width) / 2;
        top = screen.top() + (screen.height() - height) / 2;
    }
    return QRect(int(left), int(top), int(width), int(height));
}

void moveFrameTo(QWidget& window, const QPoint& topLeft)
{
    // Before the native window exists, and once the frame is known, a move
    // places the frame. In between (a window being shown, or given its title
    // bar back) it would place the inside of the window: the native window is
    // told that the position includes the frame. The widget's own geometry
    // and the native window's must agree, or showing the window would
    // overrule that with the widget's.
    window.move(topLeft);
    QWindow* handle = window.windowHandle();
    if (handle && window.testAttribute(Qt::WA_WState_Created) && window.frameGeometry() == window.geometry()) {
        handle->resize(window.size());
        handle->setFramePosition(topLeft);
    }
}

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

QWidget* dialogParent()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    // Between a box closing and the window manager activating the next
    // window nothing is active: a window kept on top goes first, or the box
    // would open under it; then a dialog, then whatever is shown.
    QWidget* best = nullptr;
    int bestRank = -1;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* window : windows) {
        if (!window->isVisible() || window->windowType() == Qt::Popup || window->windowType() == Qt::ToolTip)
            continue;
        const int rank = (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ? 2 : 0)
                         + (qobject_cast<QDialog*>(window) ? 1 : 0);
        if (rank > bestRank) {
            best = window;
            bestRank = rank;
        }
    }
    return best;
}

void keepAboveKeptOnTop(QWidget& dialog)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    const bool keptOnTop = std::any_of(windows.begin(), windows.end(), [&](const QWidget* window) {
        return window != &dialog && window->isVisible() && window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    });
    if (keptOnTop)
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
}

}  // namespace qp
