#pragma once

#include <QList>
#include <QRect>
#include <QSize>

class QMainWindow;
class QPoint;
class QWidget;

namespace qp {

// Puts a window into the topmost layer or takes it out, without moving or
// resizing it, and shows it.
void setStayOnTop(QWidget& window, bool onTop);

// Every screen's bounds, the primary screen's first.
QList<QRect> screenBounds();

// Window bounds read back from the settings, made usable on the screens there
// are now: a size too small to use (zero, negative) becomes `fallback`, a size
// larger than its screen (stored at another scale factor, or on a larger
// monitor) shrinks to it, and a window whose top edge would be on no screen
// (far off, or on a monitor since unplugged) is centred on the primary screen.
// Left and top are the frame's; the numbers may be anything a file can hold.
QRect usableWindowBounds(qint64 left, qint64 top, qint64 width, qint64 height, const QList<QRect>& screens,
                         QSize fallback);

// Puts the top-left corner of the window's frame at `topLeft`. Also right
// before the window manager has framed the window, when Qt would place the
// inside of the window there and the frame would end up above and left of it.
void moveFrameTo(QWidget& window, const QPoint& topLeft);

// Removes or gives back the title bar and frame.
void setTitleBar(QWidget& window, bool shown);

// Hides the menu bar while its actions stay on the window, so their
// shortcuts keep working; attaching shows it again.
void setMenuAttached(QMainWindow& window, bool attached);
bool isMenuAttached(const QMainWindow& window);

// The window a box or dialog opened now belongs over: the innermost modal
// window, else the active one. The active window alone lags behind while the
// window manager hands the focus back from a box just closed, and a box
// parented to the main window then opens hidden under a modal dialog.
QWidget* dialogParent();

// A modal dialog opened while another of the program's windows is kept on
// top (the Setup window at first start) would open under that window, half
// hidden and blocking it: such a dialog is kept on top as well.
void keepAboveKeptOnTop(QWidget& dialog);

}  // namespace qp
