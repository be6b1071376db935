#pragma once

#include <functional>

namespace qp {

class Registry;
class RichEdit;
class StatusBar;

// The check marks the view commands keep.
enum class ViewToggle { WordWrap, ScrollBars, WritersMode, StatusBar, StatusBarTop, BasicStatusBar };

// What the view commands need of the main window.
class ViewHost {
public:
    virtual ~ViewHost() = default;
    virtual RichEdit& editor() = 0;
    virtual Registry& registry() = 0;
    // StatusBar1.
    virtual StatusBar& statusBar() = 0;
    virtual bool statusBarAtBottom() = 0;
    virtual void dockStatusBar(bool bottom) = 0;
    // Every panel of the status bar, when it is shown.
    virtual void refreshAllPanels() = 0;
    virtual bool writersMode() = 0;
    virtual void setWritersMode(bool on) = 0;
    // The editor column at its widest, where Writers Mode starts.
    virtual void resetEditorColumn() = 0;
    virtual void setChecked(ViewToggle toggle, bool checked) = 0;
    // Runs a change of the view, which makes the editor report a text change,
    // and puts the document's state back as it was.
    virtual void keepDocumentState(const std::function<void()>& change) = 0;
    // The view restored at start-up belongs to an unchanged document.
    virtual void markDocumentSaved() = 0;
};

// Word wrap, the scroll bars and Writers Mode, stored and restored.
void viewWordWrap(ViewHost& host);
void viewScrollBars(ViewHost& host);
void viewWritersMode(ViewHost& host);
void restoreWritersMode(ViewHost& host);
void restoreWordWrap(ViewHost& host);
void restoreScrollBars(ViewHost& host);

// The status bar: shown or hidden, at the bottom or the top, basic or full.
void viewStatusBar(ViewHost& host);
void viewStatusBarPosition(ViewHost& host);
void viewBasicStatusBar(ViewHost& host);
void restoreStatusBarPosition(ViewHost& host);
void restoreStatusBarShown(ViewHost& host);
void restoreBasicStatusBar(ViewHost& host);

}  // namespace qp
