#pragma once

#include <QString>

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

}  // namespace qp
