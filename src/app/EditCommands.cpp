#include "app/EditCommands.h"

#include "app/Applic.h"
#include "editing/Tools_Editor.h"
#include "platform/RichEdit.h"
#include "platform/Services.h"
#include "platform/SystemServices.h"
#include "settings/DateTimePatterns.h"

#include <QMenu>

#include <array>
#include <functional>

namespace qp {

namespace {

constexpr int ClipSlotCount = 4;

// The clip slots belong to one main window and end with it; they are never stored.
class ClipSlots : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    std::array<QString, ClipSlotCount> texts;
};

ClipSlots& clipSlots(TApp& app)
{
    auto* slots = app.findChild<ClipSlots*>(QString(), Qt::FindDirectChildrenOnly);
    if (!slots)
        slots = new ClipSlots(&app);
    return *slots;
}

bool validSlot(int slot)
{
    return slot >= 1 && slot <= ClipSlotCount;
}

// A read-only document (the binary view) is never changed by a command.
bool canEdit(TApp& app)
{
    return !app.editor().isReadOnly();
}

// Replaces the selected text with its converted form and selects the same
// range again. Only the span that changes is replaced, so the formatting and
// embedded objects around it stay.
void convertSelection(TApp& app, const std::function<QString(const QString&)>& conversion)
{
    RichEdit& editor = app.editor();
    const int start = editor.selStart();
    const int length = editor.selLength();
    if (length == 0 || !canEdit(app))
        return;
    const QString text = editor.selText();
    const QString result = conversion(text);
    if (result == text)
        return;
    if (result.size() == text.size() && text.size() == length) {
        qsizetype head = 0;
        while (text.at(head) == result.at(head))
            ++head;
        qsizetype tail = 0;
        while (text.at(text.size() - 1 - tail) == result.at(result.size() - 1 - tail))
            ++tail;
        editor.setSelection(start + int(head), int(text.size() - head - tail));
        insertText(app, result.mid(head, result.size() - head - tail));
    } else {
        insertText(app, result);
    }
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
QPoint editorScreenPoint(TApp& app, QPoint inEditor, int dx, int dy)
{
    const QRect frame = app.frameGeometry();
    const QPoint editorPos = app.editor().mapTo(&app, QPoint(0, 0));
    return {frame.left() + editorPos.x() + inEditor.x() + dx, frame.top() + editorPos.y() + inEditor.y() + dy};
}

constexpr int AlternativeMenu = 5;
constexpr int EditorMenu = 2;
// Full screen has no title bar or menu above the editor.
constexpr int FullScreenRise = 38;

void popupAtCaret(TApp& app, int menuNumber)
{
    QPoint caret = app.editor().caretPosition();
    if (app.values().fullScreen)
        caret.ry() -= FullScreenRise;
    app.popupMenu(menuNumber)->popup(editorScreenPoint(app, caret, 8, 42));
}

// The auto-word list lands with its own Part; until then there is nothing to hide.
void hideAutoWordList(TApp&) {}

}  // namespace

void insertText(TApp& app, const QString& text)
{
    if (!canEdit(app))
        return;
    RichEdit& editor = app.editor();
    editor.replaceSelection(text);
    editor.ensureCursorVisible();
}

void editDeleteLine(TApp& app)
{
    if (!canEdit(app))
        return;
    RichEdit& editor = app.editor();
    const int line = editor.lineFromChar(editor.selStart());
    const int start = editor.lineIndex(line);
    int end = editor.lineIndex(line + 1);
    // The last line has no break of its own; the one in front of it stays.
    if (end < 0)
        end = editor.textLength();
    editor.setSelection(start, end - start);
    editor.deleteSelection();
}

void editChangeCase(TApp& app)
{
    convertSelection(app, changeCase);
}

void editUpperCase(TApp& app)
{
    convertSelection(app, toUpperCase);
}

void editLowerCase(TApp& app)
{
    convertSelection(app, toLowerCase);
}

void editSwitchCharacters(TApp& app)
{
    RichEdit& editor = app.editor();
    const int caret = editor.selStart();
    if (caret < 2 || !canEdit(app))
        return;
    const int length = editor.selLength();
    editor.setSelection(caret - 2, 2);
    const QString pair = editor.selText();
    if (!swappable(pair)) {
        editor.setSelection(caret, length);
        return;
    }
    insertText(app, QString(pair.at(1)) + pair.at(0));
    editor.setSelection(caret, 0);
}

void insertDate(TApp& app)
{
    const QDateTime now = app.services().clock.now();
    insertText(app, formatDateTime(app.options().dateFormat, datePart(now), app.regionalValues()));
}

void insertTime(TApp& app)
{
    const QDateTime now = app.services().clock.now();
    insertText(app, formatDateTime(app.options().timeFormat, timePart(now), app.regionalValues()));
}

void clipCreate(TApp& app, int slot)
{
    if (validSlot(slot))
        clipSlots(app).texts[slot - 1] = app.editor().selText();
}

void clipPaste(TApp& app, int slot)
{
    if (validSlot(slot))
        insertText(app, clipSlots(app).texts[slot - 1]);
}

void altCut(TApp& app)
{
    app.editor().cut();
}

void altCopy(TApp& app)
{
    app.editor().copy();
}

void altPaste(TApp& app)
{
    app.editor().paste();
}

void insertDoubleReturn(TApp& app)
{
    if (!canEdit(app))
        return;
    RichEdit& editor = app.editor();
    editor.replaceSelection(QStringLiteral("\r\n"));
    editor.ensureCursorVisible();
}

void setFocusToRichEdit(TApp& app)
{
    app.activateWindow();
    app.editor().setFocus(Qt::OtherFocusReason);
}

void popupAlternative(TApp& app)
{
    popupAtCaret(app, AlternativeMenu);
}

void popupStandard(TApp& app)
{
    app.updateStandardCommands();
    popupAtCaret(app, EditorMenu);
}

void onCharacterTyped(TApp& app, QChar character, bool* swallow)
{
    if (character != QLatin1Char('\r') || !app.options().autoIndent || !canEdit(app) || !swallow)
        return;
    RichEdit& editor = app.editor();
    const int caret = editor.selStart();
    const int line = editor.lineFromChar(caret);
    const QString text = enterKeyText(editor.lineText(line), caret - editor.lineIndex(line));
    *swallow = true;
    insertText(app, text);
}

void onEditorMouseDown(TApp& app, Qt::MouseButton button, QPoint position, Qt::KeyboardModifiers modifiers)
{
    hideAutoWordList(app);
    if (button != Qt::RightButton || !modifiers.testFlag(Qt::ShiftModifier))
        return;
    const bool fullScreen = app.values().fullScreen;
    if (fullScreen)
        position.ry() -= FullScreenRise;
    app.popupMenu(AlternativeMenu)->popup(editorScreenPoint(app, position, fullScreen ? 4 : 5, 42));
}

}  // namespace qp

#include "EditCommands.moc"
