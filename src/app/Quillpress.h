#pragma once

#include <QStringList>

#include <memory>

namespace qp {

class TApp;
struct Services;

// Start-up as the program runs it, up to the event loop: the main window,
// shown at once, then the other windows, hidden, in their fixed order.
// The caller owns the QApplication and runs its event loop.
std::unique_ptr<TApp> startQuillpress(Services& services, const QStringList& arguments);

}  // namespace qp
