#pragma once

#include <QRect>

#include <functional>

namespace qp {

class Registry;
class RichEdit;

// What the small modeless dialogs of the editing commands (Go To Line,
// Insert Character) need of the main window.
class EditingDialogHost {
public:
    virtual ~EditingDialogHost() = default;
    virtual RichEdit& editor() = 0;
    virtual Registry& registry() = 0;
    // The one guard of entries from the event loop.
    virtual bool guarded(const std::function<void()>& work) = 0;
    virtual bool rememberDialogPosition() = 0;
    virtual QRect mainWindowFrame() = 0;
    // The main window active and the editor focused, as after a dialog's work is done.
    virtual void focusEditor() = 0;
};

}  // namespace qp
