#include "editor/DocumentStatistics.h"

#include "editor/DocumentText.h"
#include "editor/HiddenTextLook.h"
#include "editor/PlainText.h"
#include "editor/RichEdit.h"
#include "rtf/RtfTextProperties.h"

#include <QTextBlock>
#include <QTextDocument>

#include <climits>

namespace qp {

namespace {

bool isControl(char16_t c)
{
    return c < 32 || c == 127 || (c >= 0x80 && c <= 0x9F);
}

// Counts a text given in pieces; a character outside the 16-bit range counts
// once. CR and LF are control characters, so a program-form text counts its
// breaks as two bytes.
class Counter {
public:
    void add(QStringView text)
    {
        for (const QChar ch : text)
            add(ch);
    }

    void add(QChar ch)
    {
        const char16_t c = ch.unicode();
        if (ch.isLowSurrogate())
            return;  // the high half already counted the character
        ++m_counts.bytes;
        const bool counted = !isControl(c) && c != QChar::ParagraphSeparator && c != QChar::LineSeparator;
        if (counted)
            ++m_counts.characters;
        if (counted && !ch.isSpace()) {
            if (m_afterSeparator)
                ++m_counts.words;
            m_afterSeparator = false;
        } else {
            m_afterSeparator = true;
        }
    }

    // The counts so far; the next text counts afresh.
    TextCounts take()
    {
        const TextCounts counts = m_counts;
        *this = Counter();
        return counts;
    }

private:
    TextCounts m_counts;
    bool m_afterSeparator = true;
};

TextCounts countRun(QStringView text)
{
    Counter counter;
    counter.add(text);
    return counter.take();
}

// The characters that end a paragraph in the document's own text.
bool endsParagraph(QChar c)
{
    return c == QChar::ParagraphSeparator || c == QChar(0xfdd0) || c == QChar(0xfdd1);
}

// The part [from, to) of a paragraph's text, less its hidden text.
QString visibleText(const QTextBlock& block, int from = 0, int to = INT_MAX)
{
    QString text;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (isHiddenText(fragment.charFormat()))
            continue;
        const int start = std::max(from, fragment.position() - block.position());
        const int end = std::min(to, fragment.position() - block.position() + fragment.length());
        if (start < end)
            text += QStringView(fragment.text()).mid(start - (fragment.position() - block.position()), end - start);
    }
    return text;
}

// Counts `count` paragraphs from `block` on, handing each one's counts to
// `take`. Many paragraphs are read run by run straight from the document: a
// paragraph's own text is a fresh string each time, and a copy of the whole
// text would cost as much memory as the document.
template <typename Take>
void countParagraphs(const QTextDocument& doc, QTextBlock block, int count, bool hidden, Take take)
{
    if (hidden) {
        for (int i = 0; i < count; ++i, block = block.next())
            take(countRun(visibleText(block)));
        return;
    }
    constexpr int kFewParagraphs = 64;
    if (count <= kFewParagraphs) {
        for (int i = 0; i < count; ++i, block = block.next())
            take(countRun(block.text()));
        return;
    }
    QTextBlock last = block;
    for (int i = 1; i < count; ++i)
        last = last.next();
    Counter counter;
    forEachTextRun(doc, block.position(), last.position() + last.length() - 1, [&](int, QStringView run, int) {
        qsizetype start = 0;
        for (qsizetype i = 0; i < run.size(); ++i) {
            if (!endsParagraph(run[i]))
                continue;
            counter.add(run.sliced(start, i - start));
            take(counter.take());
            start = i + 1;
        }
        counter.add(run.sliced(start));
    });
    // The last paragraph's break lies outside the range.
    take(counter.take());
}

}  // namespace

TextCounts& TextCounts::operator+=(const TextCounts& other)
{
    characters += other.characters;
    words += other.words;
    bytes += other.bytes;
    return *this;
}

TextCounts& TextCounts::operator-=(const TextCounts& other)
{
    characters -= other.characters;
    words -= other.words;
    bytes -= other.bytes;
    return *this;
}

TextCounts countText(QStringView text)
{
    return countRun(text);
}

DocumentStatistics::DocumentStatistics(RichEdit& editor) : QObject(&editor), m_editor(editor)
{
    attachIfNeeded();
}

void DocumentStatistics::attachIfNeeded()
{
    QTextDocument* doc = m_editor.document();
    if (doc == m_document)
        return;
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = doc;
    connect(doc, &QTextDocument::contentsChange, this, &DocumentStatistics::onContentsChange);
    recountAll();
}

void DocumentStatistics::recountAll()
{
    m_blocks.clear();
    m_blocks.reserve(size_t(m_document->blockCount()));
    m_total = {};
    m_hidden = hasHiddenText(m_document);
    countParagraphs(*m_document, m_document->begin(), m_document->blockCount(), m_hidden, [this](const TextCounts& counts) {
        m_blocks.push_back(counts);
        m_total += counts;
    });
}

TextCounts DocumentStatistics::countBlocks(int first, int last) const
{
    TextCounts sum;
    for (int i = first; i <= last; ++i)
        sum += m_blocks[size_t(i)];
    return sum;
}

void DocumentStatistics::onContentsChange(int from, int removed, int added)
{
    Q_UNUSED(removed);
    const int oldCount = int(m_blocks.size());
    const int newCount = m_document->blockCount();
    const QTextBlock firstBlock = m_document->findBlock(from);
    const int lastPosition = std::min(from + added, m_document->characterCount() - 1);
    const int first = firstBlock.blockNumber();
    const int newLast = m_document->findBlock(lastPosition).blockNumber();
    const int oldLast = newLast + (oldCount - newCount);
    if (first < 0 || newLast < first || oldLast < first || oldLast >= oldCount) {
        recountAll();
        return;
    }
    m_total -= countBlocks(first, oldLast);
    std::vector<TextCounts> fresh;
    fresh.reserve(size_t(newLast - first + 1));
    countParagraphs(*m_document, firstBlock, newLast - first + 1, m_hidden, [&](const TextCounts& counts) {
        fresh.push_back(counts);
        m_total += counts;
    });
    const auto begin = m_blocks.begin() + first;
    const size_t common = std::min(fresh.size(), size_t(oldLast - first + 1));
    std::copy(fresh.begin(), fresh.begin() + qsizetype(common), begin);
    if (fresh.size() > common)
        m_blocks.insert(begin + qsizetype(common), fresh.begin() + qsizetype(common), fresh.end());
    else
        m_blocks.erase(begin + qsizetype(common), begin + (oldLast - first + 1));
}

TextCounts DocumentStatistics::total()
{
    attachIfNeeded();
    TextCounts counts = m_total;
    // Each paragraph break counts as CR LF.
    counts.bytes += 2 * (qint64(m_blocks.size()) - 1);
    return counts;
}

TextCounts DocumentStatistics::selectionOrTotal()
{
    attachIfNeeded();
    const int length = m_editor.selLength();
    if (length <= 0)
        return total();
    const int start = m_editor.toDocumentPosition(m_editor.selStart());
    const int end = m_editor.toDocumentPosition(m_editor.selStart() + length, true);
    const QTextBlock first = m_document->findBlock(start);
    const QTextBlock last = m_document->findBlock(end);
    if (m_hidden) {
        if (first == last)
            return countText(visibleText(first, start - first.position(), end - first.position()));
        TextCounts counts = countText(visibleText(first, start - first.position()));
        counts += countBlocks(first.blockNumber() + 1, last.blockNumber() - 1);
        counts += countText(visibleText(last, 0, end - last.position()));
        counts.bytes += 2 * qint64(last.blockNumber() - first.blockNumber());
        return counts;
    }
    if (first == last)
        return countText(QStringView(first.text()).mid(start - first.position(), end - start));
    // Whole paragraphs in between come from the kept counts; only the two ends are read.
    TextCounts counts = countText(QStringView(first.text()).mid(start - first.position()));
    counts += countBlocks(first.blockNumber() + 1, last.blockNumber() - 1);
    counts += countText(QStringView(last.text()).left(end - last.position()));
    counts.bytes += 2 * qint64(last.blockNumber() - first.blockNumber());
    return counts;
}

int DocumentStatistics::characterCodeAt(int position) const
{
    if (position < 0 || position >= m_editor.textLength())
        return 0;
    const int docPos = m_editor.toDocumentPosition(position);
    const QChar ch = m_editor.document()->characterAt(docPos);
    if (ch == QChar::ParagraphSeparator || ch == QChar(QChar::Null))
        return 13;
    // A character outside the Basic Multilingual Plane is two UTF-16 units; its code is the pair's.
    if (ch.isHighSurrogate()) {
        const QChar low = m_editor.document()->characterAt(docPos + 1);
        if (low.isLowSurrogate())
            return int(QChar::surrogateToUcs4(ch, low));
    }
    return windows1252Code(ch);
}

}  // namespace qp
