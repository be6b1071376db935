#pragma once

class QMainWindow;
class QWidget;

namespace qp {

// Puts a window into the topmost layer or takes it out, without moving or
// resizing it, and shows it.
void setStayOnTop(QWidget& window, bool onTop);

// Removes or gives back the title bar and frame.
void setTitleBar(QWidget& window, bool shown);

// Hides the menu bar while its actions stay on the window, so their
// shortcuts keep working; attaching shows it again.
void setMenuAttached(QMainWindow& window, bool attached);
bool isMenuAttached(const QMainWindow& window);

}  // namespace qp
