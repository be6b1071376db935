#pragma once

#include <functional>

class QObject;

namespace qp {

// Hands SIGTERM and SIGHUP (logout, shutdown, `kill`) over to the event loop:
// the handler only writes a byte to a pipe, and `onSignal` runs on the GUI
// thread when the loop reads it. Installed once, by the program's entry.
void handOverTerminationSignals(QObject* context, std::function<void()> onSignal);

}  // namespace qp
