#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

namespace qp {

class TApp;

// The small editing commands of the main window and its reactions to the
// editor's typing and mouse notifications. Commands that change the text
// leave a read-only document (the binary view) alone.

// Replaces the selection with the text as one undoable step, caret after it.
void insertText(TApp& app, const QString& text);

void editDeleteLine(TApp& app);
void editChangeCase(TApp& app);
void editUpperCase(TApp& app);
void editLowerCase(TApp& app);
void editSwitchCharacters(TApp& app);
void insertDate(TApp& app);
void insertTime(TApp& app);
void clipCreate(TApp& app, int slot);  // slot 1 to 4
void clipPaste(TApp& app, int slot);
void altCut(TApp& app);
void altCopy(TApp& app);
void altPaste(TApp& app);
void insertDoubleReturn(TApp& app);
void setFocusToRichEdit(TApp& app);
void popupAlternative(TApp& app);
void popupStandard(TApp& app);

// The editor's character-typed notification: Enter goes to the Enter-key aids.
void onCharacterTyped(TApp& app, QChar character, bool* swallow);
// The editor's mouse-down notification.
void onEditorMouseDown(TApp& app, Qt::MouseButton button, QPoint position, Qt::KeyboardModifiers modifiers);

}  // namespace qp
