#pragma once

#include <QSyntaxHighlighter>

class QTextDocument;

namespace qp {

// Keeps hidden text off the screen: its runs are laid out in a look that
// takes no room and draws nothing. The text stays in the document, so it is
// saved as it came; only the layout sees the look, which works the same in
// the editor's own layout and in Qt's.
class HiddenTextLook : public QSyntaxHighlighter {
    Q_OBJECT
public:
    HiddenTextLook();

    // Follows the document when it holds hidden text, and none otherwise.
    void watch(QTextDocument* document);

    static bool hasHiddenText(const QTextDocument* document);

protected:
    void highlightBlock(const QString& text) override;
};

}  // namespace qp
