#include "app/EditCommands.h"

#include "app/Applic.h"
#include "platform/RichEdit.h"

namespace qp {

void insertText(TApp& app, const QString& text)
{
    app.editor().replaceSelection(text);
}

// The commands below land with the editing aids.
void editDeleteLine(TApp&) {}
void editChangeCase(TApp&) {}
void editUpperCase(TApp&) {}
void editLowerCase(TApp&) {}
void editSwitchCharacters(TApp&) {}
void insertDate(TApp&) {}
void insertTime(TApp&) {}
void clipCreate(TApp&, int) {}
void clipPaste(TApp&, int) {}
void altCut(TApp&) {}
void altCopy(TApp&) {}
void altPaste(TApp&) {}
void insertDoubleReturn(TApp&) {}
void setFocusToRichEdit(TApp&) {}
void popupAlternative(TApp&) {}
void popupStandard(TApp&) {}
void onCharacterTyped(TApp&, QChar, bool*) {}
void onEditorMouseDown(TApp&, Qt::MouseButton, QPoint, Qt::KeyboardModifiers) {}

}  // namespace qp
