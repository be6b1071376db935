#pragma once

#include <QString>
#include <QStringView>

#include <functional>

class QTextBlock;
class QTextDocument;

class QTextLayout;

namespace qp {

// The label a list paragraph shows, as text: the number or letter with its
// punctuation ("3.", "b)") or the bullet ("•"); empty for other paragraphs.
QString listLabel(const QTextBlock& block);

// A rich document as a plain-text file holds it: '\n' between paragraphs and
// for line breaks, each list paragraph starting with its label and a tab
// (and a tab before the label for each level it is nested in), and no
// pictures or hidden text.
QString plainTextOf(const QTextDocument& doc);
// The same for the document positions [from, to); a paragraph's label goes
// with it when the paragraph's start is inside.
QString plainTextOf(const QTextDocument& doc, int from, int to);

// Visits the document's stored text in [from, to) run by run, in order: each
// run has one character format (its index in the document's formats) and
// may hold paragraph separators. The cost is that of the runs, not of
// finding each paragraph, which matters with the whole of a long text.
void forEachTextRun(const QTextDocument& doc, int from, int to,
                    const std::function<void(int position, QStringView text, int formatIndex)>& visit);

// The paragraph's layout if it has one. QTextBlock::layout() makes one for
// every paragraph it is asked about, a few hundred bytes each: in a long
// document that is tens of megabytes for paragraphs never shown.
const QTextLayout* existingLayout(const QTextBlock& block);

}  // namespace qp
