#pragma once

namespace qp {

class TApp;

// The bounds before the last maximize become the window's normal bounds.
void applyBeforeMaxBounds(TApp& app);
// Size, position and state stored at the last close (640 x 480 centred at first).
void restoreWindowGeometry(TApp& app);
// Size, position and state, then the editor column, into the store.
void storeWindowGeometry(TApp& app);
void storeBeforeMaxBounds(TApp& app);

}  // namespace qp
