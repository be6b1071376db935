#pragma once

#include <QString>

namespace qp::test {

// A private X server (Xvfb, on a display number it picks itself, so that
// tests running at the same time never share one) with a window manager
// (openbox) on it, for the tests that need real window frames, focus,
// stacking and keyboard layouts. One per test process; it ends with the
// process, also when the process dies.
class XSession {
public:
    enum class State { NotStarted, Ready, Unavailable, Broken };

    // Starts both and points DISPLAY at the server. Unavailable: Xvfb cannot
    // start here (the tests skip); Broken: it started but the rest failed.
    static State start();
    static void stop();

    static State state();
    // Why the session is not ready, with the tail of the server's log.
    static QString problem();
    static QString display();
};

}  // namespace qp::test
