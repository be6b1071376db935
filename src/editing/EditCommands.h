#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

#include <array>

class QDateTime;
class QWidget;

namespace qp {

class RichEdit;
struct RegionalValues;
struct SettingsOptions;

// The small editing commands and the reactions to the editor's typing and
// mouse notifications. Commands that change the text leave a read-only
// document (the binary view) alone.

// The four private clip slots of one main window; never stored.
struct ClipSlots {
    static constexpr int Count = 4;
    std::array<QString, Count> texts;
};

// The editor's pop-up menus that the editing commands open.
enum class EditorMenu { Standard, Alternative };

// What the editing commands need of the main window beyond the editor.
class EditingHost {
public:
    virtual ~EditingHost() = default;
    virtual RichEdit& editor() = 0;
    // The window the editor sits in; the pop-up menus count from its frame.
    virtual QWidget& mainWindow() = 0;
    virtual QDateTime now() = 0;
    virtual const SettingsOptions& options() = 0;
    virtual const RegionalValues& regionalValues() = 0;
    virtual ClipSlots& clipSlots() = 0;
    // Full screen has no title bar or menu above the editor.
    virtual bool fullScreen() = 0;
    virtual void popupMenu(EditorMenu menu, QPoint screenPosition) = 0;
    // The enabled and checked states of the standard commands follow the focused text control.
    virtual void updateStandardCommands() = 0;
    // The auto-word list goes when the editor is clicked.
    virtual void hideAutoWordList() = 0;
};

// Replaces the selection with the text as one undoable step, caret after it.
void insertText(RichEdit& editor, const QString& text);

void editDeleteLine(RichEdit& editor);
void editChangeCase(RichEdit& editor);
void editUpperCase(RichEdit& editor);
void editLowerCase(RichEdit& editor);
void editSwitchCharacters(RichEdit& editor);
void altCut(RichEdit& editor);
void altCopy(RichEdit& editor);
void altPaste(RichEdit& editor);
void insertDoubleReturn(RichEdit& editor);
void clipCreate(RichEdit& editor, ClipSlots& slots, int slot);  // slot 1 to 4
void clipPaste(RichEdit& editor, const ClipSlots& slots, int slot);

void insertDate(EditingHost& host);
void insertTime(EditingHost& host);
void setFocusToRichEdit(EditingHost& host);
void popupAlternative(EditingHost& host);
void popupStandard(EditingHost& host);

// The editor's character-typed notification: Enter goes to the Enter-key aids.
void onCharacterTyped(EditingHost& host, QChar character, bool* swallow);
// The editor's mouse-down notification.
void onEditorMouseDown(EditingHost& host, Qt::MouseButton button, QPoint position, Qt::KeyboardModifiers modifiers);

}  // namespace qp
