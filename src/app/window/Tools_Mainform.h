#pragma once

namespace qp {

class TApp;

// The bounds before the last maximize become the window's normal bounds.
void applyBeforeMaxBounds(TApp& app);
// Size, position and state stored at the last close (640 x 480 centred at first).
void restoreWindowGeometry(TApp& app);
// The editor column's widths, when the window's settings exist.
void restoreEditorColumn(TApp& app);
// Size, position and state, then the editor column, into the store.
void storeWindowGeometry(TApp& app);
void storeBeforeMaxBounds(TApp& app);
void restoreStayOnTop(TApp& app);

// The commands.
void viewMaximizeRestore(TApp& app);
void viewStayOnTop(TApp& app);
void viewFullScreen(TApp& app);
// Esc: leaves full screen, and does nothing outside it.
void viewFullScreenEsc(TApp& app);
void editorIncrease(TApp& app);
void editorDecrease(TApp& app);
void editorMoveLeft(TApp& app);
void editorMoveRight(TApp& app);
void editorReset(TApp& app);
void editorCenter(TApp& app);

// The window's outer width as the column commands count it: the client
// width and the usual frame of 4 pixels on each side, so that the commands'
// widths leave equal margins whatever frame the window manager draws.
int outerWidth(const TApp& app);

}  // namespace qp
