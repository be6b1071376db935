#pragma once

#include <QObject>
#include <QPointer>
#include <QStringView>

#include <vector>

class QTextDocument;

namespace qp {

class RichEdit;

// What the status bar counts. Characters are those that are not control
// characters; words are runs of characters that are neither white space nor
// control characters; bytes are the text's length with a paragraph break as
// the two characters CR LF. Hidden text counts nowhere.
struct TextCounts {
    qint64 characters = 0;
    qint64 words = 0;
    qint64 bytes = 0;

    TextCounts& operator+=(const TextCounts& other);
    TextCounts& operator-=(const TextCounts& other);
    bool operator==(const TextCounts&) const = default;
};

TextCounts countText(QStringView text);

// The editor's counts, kept per paragraph as the text changes, so that a
// keystroke costs time in proportion to the paragraph it changed, not to the
// document; the totals are always what a full count would give.
class DocumentStatistics : public QObject {
    Q_OBJECT
public:
    explicit DocumentStatistics(RichEdit& editor);

    TextCounts total();
    // Over the selection, or the whole text when the selection is empty.
    TextCounts selectionOrTotal();
    // The code of the character at a position (13 at a paragraph end, 0 past
    // the end), by the 8-bit rule: its Windows-1252 code where it has one.
    int characterCodeAt(int position) const;

private:
    void attachIfNeeded();
    void recountAll();
    void onContentsChange(int from, int removed, int added);
    TextCounts countBlocks(int first, int last) const;

    RichEdit& m_editor;
    QPointer<QTextDocument> m_document;
    std::vector<TextCounts> m_blocks;  // per paragraph, its separator left out
    TextCounts m_total;
    bool m_hidden = false;  // the document has hidden text, which counts nowhere
};

}  // namespace qp
