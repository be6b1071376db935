#pragma once

#include <QString>

#include <functional>
#include <memory>

class QObject;
class QRect;
class QWidget;

namespace qp {

class Registry;

// The six modeless dialogs that remember where they were keep Position_Left
// and Position_Top under their own subkey of the settings root.

// Writes the left and top of the dialog's frame; done whatever the remember option says.
void saveDialogPosition(Registry& registry, const QWidget& dialog, const QString& subkey);

// With rememberPositions on, moves the dialog to the stored position (each
// coordinate read with default 150) when its subkey exists, else leaves it where
// it is. With it off, centres the dialog's frame on the main window's frame.
void restoreDialogPosition(Registry& registry, QWidget& dialog, const QString& subkey, bool rememberPositions,
                           const QRect& mainWindowFrame);

// Keeps a dialog where the user left it: each showing places it as
// restoreDialogPosition does, and hiding or losing activation writes where it
// is. Every store access runs through `guarded`, the program's one guard.
// The dialog holds the keeper as its last member, so that it goes before
// anything its callbacks use.
std::unique_ptr<QObject> keepDialogPosition(QWidget& dialog, Registry& registry, const QString& subkey,
                        std::function<bool()> rememberPositions, std::function<QRect()> mainWindowFrame,
                        std::function<bool(const std::function<void()>&)> guarded);

}  // namespace qp
