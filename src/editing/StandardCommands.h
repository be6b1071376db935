#pragma once

#include <Qt>

class QWidget;

namespace qp {

enum class TextStyle { Bold, Italic, Underline };

// What the standard commands find in the focused text control.
struct StandardState {
    bool textControl = false;  // a text control has the focus
    bool richEdit = false;     // and it is the document editor
    bool canUndo = false;
    bool canRedo = false;
    bool hasSelection = false;
    bool hasText = false;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    Qt::Alignment alignment = Qt::AlignLeft;
};

StandardState standardState(const QWidget* focus, bool clipboardHasText);
bool clipboardHasText();

// The text control the standard commands act on when `focus` has the
// keyboard: the control itself, or the edit field of an editable drop-down.
QWidget* standardTarget(QWidget* focus);

// Each acts on the focused text control, and does nothing when none has the focus.
void standardUndo(QWidget* focus);
void standardRedo(QWidget* focus);
void standardCut(QWidget* focus);
void standardCopy(QWidget* focus);
void standardPaste(QWidget* focus);
void standardSelectAll(QWidget* focus);
// These act on the document editor only.
void standardToggleStyle(QWidget* focus, TextStyle style);
void standardAlign(QWidget* focus, Qt::Alignment alignment);

}  // namespace qp
