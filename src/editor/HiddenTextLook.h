#pragma once

class QTextBlock;
class QTextDocument;

namespace qp {

// Hidden text stays in the document, so it is saved as it came, but it is
// laid out in a look that takes no room and draws nothing. The look is an
// override of the paragraph's own layout, which the editor's layout and Qt's
// both use; setting it is no edit and tells no one of a change.

bool hasHiddenText(const QTextDocument* document);

// Gives the paragraph's layout the look over its hidden runs (or takes it
// away when there are none any more). Before the paragraph is laid out.
void lookUpHiddenText(const QTextBlock& block);

}  // namespace qp
