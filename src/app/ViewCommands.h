#pragma once

namespace qp {

class TApp;

// Word wrap, the scroll bars and Writers Mode, stored and restored.
void viewWordWrap(TApp& app);
void viewScrollBars(TApp& app);
void viewWritersMode(TApp& app);
void restoreWritersMode(TApp& app);
void restoreWordWrap(TApp& app);
void restoreScrollBars(TApp& app);

// The status bar: shown or hidden, at the bottom or the top, basic or full.
void viewStatusBar(TApp& app);
void viewStatusBarPosition(TApp& app);
void viewBasicStatusBar(TApp& app);
void restoreStatusBarPosition(TApp& app);
void restoreStatusBarShown(TApp& app);
void restoreBasicStatusBar(TApp& app);

}  // namespace qp
