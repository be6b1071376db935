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
    bool hasSelection = false;
    bool hasText = false;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    Qt::Alignment alignment = Qt::AlignLeft;
};

StandardState standardState(const QWidget* focus, bool clipboardHasText);
bool clipboardHasText();

// Each acts on the focused text control, and does nothing when none has the focus.
void standardUndo();
void standardCut();
void standardCopy();
void standardPaste();
void standardSelectAll();
// These act on the document editor only.
void standardToggleStyle(TextStyle style);
void standardAlign(Qt::Alignment alignment);

}  // namespace qp
