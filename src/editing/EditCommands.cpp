#include "editing/EditCommands.h"

#include "editing/Tools_Editor.h"
#include "editor/RichEdit.h"
#include "settings/DateTimePatterns.h"
#include "settings/Settings.h"

#include <QDateTime>
#include <QWidget>

#include <functional>

namespace qp {

namespace {

bool validSlot(int slot)
{
    return slot >= 1 && slot <= ClipSlots::Count;
}

// A read-only document (the binary view) is never changed by a command.
bool canEdit(const RichEdit& editor)
{
    return !editor.isReadOnly();
}

// Replaces the selected text with its converted form and selects the same
// range again. Only the span that changes is replaced, so the formatting and
// embedded objects around it stay.
void convertSelection(RichEdit& editor, const std::function<QString(const QString&)>& conversion)
{
    const int start = editor.selStart();
    const int length = editor.selLength();
    if (length == 0 || !canEdit(editor))
        return;
    const QString text = editor.selText();
    const QString result = conversion(text);
    if (result == text)
        return;
    // Character for character, so that the formatting of the words and
    // paragraphs stays; a result that does not line up with the selection
    // replaces it as a whole.
    if (result.size() == text.size() && text.size() == length && editor.changeSelectedCharacters(result)) {
        editor.ensureCursorVisible();
        return;
    }
    insertText(editor, result);
    editor.setSelection(start, length);
}

// Two characters that can trade places without breaking a line break, a
// surrogate pair or an embedded object.
bool swappable(const QString& pair)
{
    if (pair.size() != 2)
        return false;
    for (const QChar c : pair) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.isSurrogate() || c == QChar::ObjectReplacementCharacter)
            return false;
    }
    return true;
}

// The screen point of a point in the editor, by the offsets the pop-up menus use.
QPoint editorScreenPoint(EditingHost& host, QPoint inEditor, int dx, int dy)
{
    QWidget& window = host.mainWindow();
    const QRect frame = window.frameGeometry();
    const QPoint editorPos = host.editor().mapTo(&window, QPoint(0, 0));
    return {frame.left() + editorPos.x() + inEditor.x() + dx, frame.top() + editorPos.y() + inEditor.y() + dy};
}

// Full screen has no title bar or menu above the editor.
constexpr int FullScreenRise = 38;

void popupAtCaret(EditingHost& host, EditorMenu menu)
{
    QPoint caret = host.editor().caretPosition();
    if (host.fullScreen())
        caret.ry() -= FullScreenRise;
    host.popupMenu(menu, editorScreenPoint(host, caret, 8, 42));
}

}  // namespace

void insertText(RichEdit& editor, const QString& text)
{
    if (!canEdit(editor))
        return;
    editor.replaceSelection(text);
    editor.ensureCursorVisible();
}

void editDeleteLine(RichEdit& editor)
{
    if (!canEdit(editor))
        return;
    const int line = editor.lineFromChar(editor.selStart());
    const int start = editor.lineIndex(line);
    int end = editor.lineIndex(line + 1);
    // The last line has no break of its own; the one in front of it stays.
    if (end < 0)
        end = editor.textLength();
    editor.setSelection(start, end - start);
    editor.deleteSelection();
}

void editChangeCase(RichEdit& editor)
{
    convertSelection(editor, changeCase);
}

void editUpperCase(RichEdit& editor)
{
    convertSelection(editor, toUpperCase);
}

void editLowerCase(RichEdit& editor)
{
    convertSelection(editor, toLowerCase);
}

void editSwitchCharacters(RichEdit& editor)
{
    const int caret = editor.selStart();
    if (caret < 2 || !canEdit(editor))
        return;
    const int length = editor.selLength();
    editor.setSelection(caret - 2, 2);
    const QString pair = editor.selText();
    if (!swappable(pair)) {
        editor.setSelection(caret, length);
        return;
    }
    insertText(editor, QString(pair.at(1)) + pair.at(0));
    editor.setSelection(caret, 0);
}

void insertDate(EditingHost& host)
{
    const QDateTime now = host.now();
    insertText(host.editor(), formatDateTime(host.options().dateFormat, datePart(now), host.regionalValues()));
}

void insertTime(EditingHost& host)
{
    const QDateTime now = host.now();
    insertText(host.editor(), formatDateTime(host.options().timeFormat, timePart(now), host.regionalValues()));
}

void clipCreate(RichEdit& editor, ClipSlots& slots, int slot)
{
    if (validSlot(slot))
        slots.texts[slot - 1] = editor.selText();
}

void clipPaste(RichEdit& editor, const ClipSlots& slots, int slot)
{
    if (validSlot(slot))
        insertText(editor, slots.texts[slot - 1]);
}

void altCut(RichEdit& editor)
{
    editor.cut();
}

void altCopy(RichEdit& editor)
{
    editor.copy();
}

void altPaste(RichEdit& editor)
{
    editor.paste();
}

void insertDoubleReturn(RichEdit& editor)
{
    if (!canEdit(editor))
        return;
    editor.replaceSelection(QStringLiteral("\r\n"));
    editor.ensureCursorVisible();
}

void setFocusToRichEdit(EditingHost& host)
{
    host.mainWindow().activateWindow();
    host.editor().setFocus(Qt::OtherFocusReason);
}

void popupAlternative(EditingHost& host)
{
    popupAtCaret(host, EditorMenu::Alternative);
}

void popupStandard(EditingHost& host)
{
    host.updateStandardCommands();
    popupAtCaret(host, EditorMenu::Standard);
}

void onCharacterTyped(EditingHost& host, QChar character, bool* swallow)
{
    RichEdit& editor = host.editor();
    if (character != QLatin1Char('\r') || !host.options().autoIndent || !canEdit(editor) || !swallow)
        return;
    const int caret = editor.selStart();
    const int line = editor.lineFromChar(caret);
    const QString text = enterKeyText(editor.lineText(line), caret - editor.lineIndex(line));
    *swallow = true;
    insertText(editor, text);
}

void onEditorMouseDown(EditingHost& host, Qt::MouseButton button, QPoint position, Qt::KeyboardModifiers modifiers)
{
    host.hideAutoWordList();
    if (button != Qt::RightButton || !modifiers.testFlag(Qt::ShiftModifier))
        return;
    const bool fullScreen = host.fullScreen();
    if (fullScreen)
        position.ry() -= FullScreenRise;
    host.popupMenu(EditorMenu::Alternative, editorScreenPoint(host, position, fullScreen ? 4 : 5, 42));
}

}  // namespace qp
