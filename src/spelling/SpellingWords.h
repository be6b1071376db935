#pragma once

#include <QList>
#include <QStringView>

namespace qp {

struct WordSpan {
    int start = 0;
    int length = 0;
    int end() const { return start + length; }
    friend bool operator==(const WordSpan&, const WordSpan&) = default;
};

// The words of a paragraph worth checking: runs of letters with the
// apostrophes (' and ’) inside them; words with digits, words in capitals,
// web addresses and e-mail addresses are left out.
QList<WordSpan> checkableWords(QStringView text);

// The word of checkableWords() that holds `offset` or ends at it, or an empty span.
WordSpan checkableWordAt(QStringView text, int offset);

}  // namespace qp
