#include "editing/StandardCommands.h"

#include "editing/AutoWordList.h"
#include "editor/RichEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTextEdit>

#include <utility>

namespace qp {

QWidget* standardTarget(QWidget* focus)
{
    // An editable drop-down takes the focus for its field and hands it the
    // keys. The auto-word list only picks an entry: it is no text field.
    if (auto* combo = qobject_cast<QComboBox*>(focus); combo && combo->lineEdit() && !qobject_cast<AutoWordList*>(combo))
        return combo->lineEdit();
    return focus;
}

bool clipboardHasText()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && (data->hasText() || data->hasHtml());
}

StandardState standardState(const QWidget* focusWidget, bool clipboardText)
{
    const QWidget* focus = standardTarget(const_cast<QWidget*>(focusWidget));
    StandardState state;
    if (auto* edit = qobject_cast<const RichEdit*>(focus)) {
        state.textControl = true;
        state.richEdit = true;
        state.canUndo = edit->canUndo();
        state.canRedo = edit->document()->isRedoAvailable();
        state.hasSelection = edit->selLength() > 0;
        state.hasText = !edit->document()->isEmpty();
        const FontStyles styles = edit->selectionCharFormat().styles;
        state.bold = styles.testFlag(FontStyle::Bold);
        state.italic = styles.testFlag(FontStyle::Italic);
        state.underline = styles.testFlag(FontStyle::Underline);
        switch (edit->selectionParagraphFormat().alignment) {
        case ParagraphAlignment::Left: state.alignment = Qt::AlignLeft; break;
        case ParagraphAlignment::Right: state.alignment = Qt::AlignRight; break;
        case ParagraphAlignment::Center: state.alignment = Qt::AlignHCenter; break;
        }
    } else if (auto* text = qobject_cast<const QTextEdit*>(focus)) {
        state.textControl = true;
        state.canUndo = text->document()->isUndoAvailable();
        state.canRedo = text->document()->isRedoAvailable();
        state.hasSelection = text->textCursor().hasSelection();
        state.hasText = !text->document()->isEmpty();
    } else if (auto* plain = qobject_cast<const QPlainTextEdit*>(focus)) {
        state.textControl = true;
        state.canUndo = plain->document()->isUndoAvailable();
        state.canRedo = plain->document()->isRedoAvailable();
        state.hasSelection = plain->textCursor().hasSelection();
        state.hasText = !plain->document()->isEmpty();
    } else if (auto* line = qobject_cast<const QLineEdit*>(focus)) {
        state.textControl = true;
        state.canUndo = line->isUndoAvailable();
        state.canRedo = line->isRedoAvailable();
        state.hasSelection = line->hasSelectedText();
        state.hasText = !line->text().isEmpty();
    }
    Q_UNUSED(clipboardText);
    return state;
}

// The text controls share these slots by name but not by class.
template <typename Work>
void onFocusedTextControl(QWidget* focusWidget, Work work)
{
    QWidget* focus = standardTarget(focusWidget);
    if (auto* rich = qobject_cast<RichEdit*>(focus))
        work(rich);
    else if (auto* text = qobject_cast<QTextEdit*>(focus))
        work(text);
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(focus))
        work(plain);
    else if (auto* line = qobject_cast<QLineEdit*>(focus))
        work(line);
}

void standardUndo(QWidget* focus)
{
    onFocusedTextControl(focus, [](auto* control) { control->undo(); });
}

void standardRedo(QWidget* focus)
{
    onFocusedTextControl(focus, [](auto* control) { control->redo(); });
}

void standardCut(QWidget* focus)
{
    onFocusedTextControl(focus, [](auto* control) { control->cut(); });
}

void standardCopy(QWidget* focus)
{
    onFocusedTextControl(focus, [](auto* control) { control->copy(); });
}

void standardPaste(QWidget* focus)
{
    onFocusedTextControl(focus, [](auto* control) { control->paste(); });
}

void standardSelectAll(QWidget* focus)
{
    onFocusedTextControl(focus, [](auto* control) { control->selectAll(); });
}

void standardToggleStyle(QWidget* focus, TextStyle style)
{
    auto* edit = qobject_cast<RichEdit*>(focus);
    if (!edit)
        return;
    const auto [flag, attribute] = [style] {
        switch (style) {
        case TextStyle::Italic: return std::pair{FontStyle::Italic, CharAttribute::Italic};
        case TextStyle::Underline: return std::pair{FontStyle::Underline, CharAttribute::Underline};
        default: return std::pair{FontStyle::Bold, CharAttribute::Bold};
        }
    }();
    // Removed when the selection's style has it, added otherwise.
    CharFormat format = edit->selectionCharFormat();
    format.styles.setFlag(flag, !format.styles.testFlag(flag));
    edit->setSelectionCharFormat(format, attribute);
}

void standardAlign(QWidget* focus, Qt::Alignment alignment)
{
    auto* edit = qobject_cast<RichEdit*>(focus);
    if (!edit)
        return;
    ParagraphFormat format;
    format.alignment = alignment == Qt::AlignRight     ? ParagraphAlignment::Right
                       : alignment == Qt::AlignHCenter ? ParagraphAlignment::Center
                                                       : ParagraphAlignment::Left;
    edit->setSelectionParagraphFormat(format, ParagraphAttribute::Alignment);
}

}  // namespace qp
