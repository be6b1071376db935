#include "editor/RichEdit.h"

#include "editor/DocumentText.h"
#include "editor/RichEditLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>

// Display-line counts, kept per paragraph while word wrap is on and filled in idle slices.

namespace qp {

namespace {

// One idle slice of line layout stops after this many milliseconds.
constexpr int kSliceMillis = 8;
// Blocks whose layout is forced and read in one step of a slice.
constexpr int kSliceBlocks = 256;
constexpr int kSliceChars = 32 * 1024;

int laidOutLines(QAbstractTextDocumentLayout& layout, const QTextBlock& block)
{
    const QTextLayout* textLayout = block.layout();
    if (!textLayout || textLayout->lineCount() == 0) {
        layout.blockBoundingRect(block);
        textLayout = block.layout();
    }
    return textLayout ? textLayout->lineCount() : 1;
}

}  // namespace

bool RichEdit::tracksLines() const
{
    return lineWrapMode() != QTextEdit::NoWrap;
}

void RichEdit::restartLineTracking()
{
    m_layoutTimer.stop();
    m_pendingFirst = m_pendingLast = -1;
    if (!tracksLines()) {
        m_lines.reset(0);
        m_layoutComplete = true;
        // Without wrapping the lines are the paragraphs, known at once.
        Q_EMIT lineLayoutCompleted();
        return;
    }
    if (m_lines.paragraphCount() == document()->blockCount())
        m_lines.markAllUnknown();
    else
        m_lines.reset(document()->blockCount());
    m_layoutWidth = document()->pageSize().width();
    m_layoutComplete = false;
    scheduleLayoutSlice();
}

void RichEdit::checkLayoutWidth() const
{
    const qreal width = document()->pageSize().width();
    if (width != m_layoutWidth || m_lines.paragraphCount() != document()->blockCount())
        const_cast<RichEdit*>(this)->restartLineTracking();
}

int RichEdit::blockLines(const QTextBlock& block) const
{
    // A block's layout is cleared whenever its text, format or width
    // changes, so any lines it has are current.
    const QTextLayout* layout = existingLayout(block);
    const int count = layout ? layout->lineCount() : 0;
    const int number = block.blockNumber();
    if (count > 0 && (!m_lines.isKnown(number) || m_lines.lines(number) != count))
        m_lines.setLines(number, count);
    return count;
}

void RichEdit::refreshLines(int firstBlock, int lastBlock) const
{
    if (firstBlock < 0)
        return;
    QTextBlock block = document()->findBlockByNumber(firstBlock);
    for (int n = firstBlock; block.isValid() && n <= lastBlock; ++n, block = block.next()) {
        const QTextLayout* layout = existingLayout(block);
        if (layout && layout->lineCount() > 0)
            m_lines.setLines(n, layout->lineCount());
    }
}

void RichEdit::scheduleLayoutSlice() const
{
    if (!m_layoutTimer.isActive())
        m_layoutTimer.start();
}

void RichEdit::layoutSlice()
{
    if (!tracksLines())
        return;
    checkLayoutWidth();
    QTextDocument* doc = document();
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    // The paragraph-index layout places paragraphs not laid out yet by an
    // estimate: keep the paragraph at the top of the window where it is
    // while the slice corrects the ones above it.
    auto* own = qobject_cast<RichEditLayout*>(layout);
    QTextBlock anchor;
    qreal anchorTop = 0;
    if (own) {
        own->beginBatch();
        if (verticalScrollBar()->value() > 0) {
            anchor = cursorForPosition(QPoint(0, 0)).block();
            anchorTop = layout->blockBoundingRect(anchor).top();
        }
    }
    QElapsedTimer clock;
    clock.start();
    while (m_lines.hasUnknown()) {
        const int first = m_lines.firstUnknown();
        QTextBlock block = doc->findBlockByNumber(first);
        QTextBlock last = block;
        int chars = last.length();
        for (int n = 1; n < kSliceBlocks && chars < kSliceChars && last.next().isValid(); ++n) {
            last = last.next();
            chars += last.length();
        }
        // Qt's layout lays out everything up to `last` that is not laid out
        // yet; the paragraph-index layout measures or lays out each one asked for.
        if (!own)
            layout->blockBoundingRect(last);
        for (int n = first;; ++n, block = block.next()) {
            m_lines.setLines(n, own ? own->displayLines(block) : laidOutLines(*layout, block));
            if (block == last)
                break;
        }
        if (clock.elapsed() >= kSliceMillis)
            break;
    }
    if (own) {
        own->endBatch();
        if (anchor.isValid()) {
            const qreal moved = layout->blockBoundingRect(anchor).top() - anchorTop;
            if (moved != 0)
                verticalScrollBar()->setValue(verticalScrollBar()->value() + qRound(moved));
        }
    }
    if (m_lines.hasUnknown()) {
        scheduleLayoutSlice();
    } else if (!m_layoutComplete) {
        m_layoutComplete = true;
        Q_EMIT lineLayoutCompleted();
    }
}

bool RichEdit::isLineLayoutComplete() const
{
    if (!tracksLines())
        return true;
    checkLayoutWidth();
    return !m_lines.hasUnknown();
}

void RichEdit::completeLineLayout()
{
    if (!tracksLines())
        return;
    checkLayoutWidth();
    while (m_lines.hasUnknown())
        layoutSlice();
}

int RichEdit::lineCount() const
{
    if (!tracksLines())
        return document()->blockCount();
    checkLayoutWidth();
    return m_lines.lineCount();
}

int RichEdit::lineFromChar(int pos) const
{
    const int docPos = toDocumentPosition(pos);
    const QTextBlock block = document()->findBlock(docPos);
    if (!tracksLines())
        return block.blockNumber();
    checkLayoutWidth();
    const int number = block.blockNumber();
    int inner = 0;
    if (blockLines(block) > 0) {
        const QTextLine line = block.layout()->lineForTextPosition(docPos - block.position());
        inner = line.isValid() ? line.lineNumber() : block.layout()->lineCount() - 1;
    }
    return m_lines.firstLineOf(number) + std::min(inner, m_lines.lines(number) - 1);
}

int RichEdit::lineIndex(int line) const
{
    if (line < 0)
        return -1;
    const QTextDocument* doc = document();
    if (!tracksLines()) {
        if (line >= doc->blockCount())
            return -1;
        return fromDocumentPosition(doc->findBlockByNumber(line).position());
    }
    checkLayoutWidth();
    // A block whose count turns out different from the recorded one moves
    // the lines after it; look again once it is recorded.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (line >= m_lines.lineCount())
            return -1;
        int inner = 0;
        const int number = m_lines.paragraphOfLine(line, &inner);
        const QTextBlock block = doc->findBlockByNumber(number);
        const int recorded = m_lines.lines(number);
        const int count = blockLines(block);
        if (count > 0 && count != recorded)
            continue;
        int offset = 0;
        if (count > inner)
            offset = block.layout()->lineAt(inner).textStart();
        else if (inner > 0)
            offset = block.length() - 1;
        return fromDocumentPosition(block.position() + offset);
    }
    return -1;
}

QString RichEdit::lineText(int line) const
{
    const int start = lineIndex(line);
    if (start < 0)
        return {};
    int end = lineIndex(line + 1);
    if (end < 0)
        end = textLength();
    QString text = programText(start, end);
    if (text.endsWith(QLatin1String("\r\n")))
        text.chop(2);
    return text;
}

}  // namespace qp
