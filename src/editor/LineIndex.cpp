#include "editor/LineIndex.h"

#include <algorithm>
#include <numeric>

namespace qp {

namespace {

// A chunk grows to this many paragraphs before it is split in two halves.
constexpr int kMaxChunk = 1024;
constexpr int kHalfChunk = kMaxChunk / 2;

}  // namespace

void LineIndex::Fenwick::build(const std::vector<int>& values)
{
    const int n = int(values.size());
    m_tree.assign(n + 1, 0);
    for (int i = 1; i <= n; ++i) {
        m_tree[i] += values[i - 1];
        const int j = i + (i & -i);
        if (j <= n)
            m_tree[j] += m_tree[i];
    }
    m_mask = 1;
    while (m_mask * 2 <= n)
        m_mask *= 2;
}

void LineIndex::Fenwick::add(int index, int delta)
{
    const int n = int(m_tree.size()) - 1;
    for (int i = index + 1; i <= n; i += i & -i)
        m_tree[i] += delta;
}

int LineIndex::Fenwick::prefix(int count) const
{
    int sum = 0;
    for (int i = count; i > 0; i -= i & -i)
        sum += m_tree[i];
    return sum;
}

int LineIndex::Fenwick::find(int target, int* before) const
{
    const int n = int(m_tree.size()) - 1;
    int pos = 0;
    int rest = target;
    for (int step = m_mask; step > 0; step /= 2) {
        if (pos + step <= n && m_tree[pos + step] <= rest) {
            pos += step;
            rest -= m_tree[pos];
        }
    }
    *before = target - rest;
    return pos;
}

LineIndex::LineIndex(int fresh, int minimum) : m_fresh(fresh), m_minimum(minimum)
{
    reset(0);
}

void LineIndex::reset(int paragraphs)
{
    paragraphs = std::max(0, paragraphs);
    m_chunks.clear();
    for (int start = 0; start < paragraphs || m_chunks.empty(); start += kHalfChunk) {
        const int n = std::min(kHalfChunk, paragraphs - start);
        Chunk chunk;
        chunk.lines.assign(n, m_fresh);
        chunk.known.assign(n, 0);
        chunk.sum = n * m_fresh;
        chunk.unknown = n;
        m_chunks.push_back(std::move(chunk));
    }
    m_size = paragraphs;
    m_total = paragraphs * m_fresh;
    m_unknown = paragraphs;
    rebuild();
}

int LineIndex::lineCount() const
{
    return m_total;
}

void LineIndex::locate(int paragraph, int* chunk, int* offset) const
{
    if (paragraph >= m_size) {
        *chunk = int(m_chunks.size()) - 1;
        *offset = int(m_chunks.back().lines.size());
        return;
    }
    int before = 0;
    *chunk = m_sizes.find(std::max(0, paragraph), &before);
    *offset = std::max(0, paragraph) - before;
}

int LineIndex::lines(int paragraph) const
{
    if (paragraph < 0 || paragraph >= m_size)
        return 0;
    int c = 0, o = 0;
    locate(paragraph, &c, &o);
    return m_chunks[c].lines[o];
}

bool LineIndex::isKnown(int paragraph) const
{
    if (paragraph < 0 || paragraph >= m_size)
        return false;
    int c = 0, o = 0;
    locate(paragraph, &c, &o);
    return m_chunks[c].known[o] != 0;
}

int LineIndex::firstUnknown() const
{
    if (m_unknown == 0)
        return -1;
    int before = 0;
    for (const Chunk& chunk : m_chunks) {
        if (chunk.unknown > 0) {
            const auto it = std::find(chunk.known.begin(), chunk.known.end(), std::uint8_t(0));
            return before + int(it - chunk.known.begin());
        }
        before += int(chunk.lines.size());
    }
    return -1;
}

void LineIndex::setLines(int paragraph, int lines)
{
    if (paragraph < 0 || paragraph >= m_size)
        return;
    lines = std::max(m_minimum, lines);
    int c = 0, o = 0;
    locate(paragraph, &c, &o);
    Chunk& chunk = m_chunks[c];
    const int delta = lines - chunk.lines[o];
    if (delta != 0) {
        chunk.lines[o] = lines;
        chunk.sum += delta;
        m_total += delta;
        m_sums.add(c, delta);
    }
    if (!chunk.known[o]) {
        chunk.known[o] = 1;
        --chunk.unknown;
        --m_unknown;
    }
}

void LineIndex::markAllUnknown()
{
    for (Chunk& chunk : m_chunks) {
        std::fill(chunk.known.begin(), chunk.known.end(), std::uint8_t(0));
        chunk.unknown = int(chunk.lines.size());
    }
    m_unknown = m_size;
}

void LineIndex::replace(int first, int removed, int inserted)
{
    first = std::clamp(first, 0, m_size);
    removed = std::clamp(removed, 0, m_size - first);
    inserted = std::max(0, inserted);

    if (removed > 0) {
        int c = 0, o = 0;
        locate(first, &c, &o);
        while (removed > 0) {
            Chunk& chunk = m_chunks[c];
            const int k = std::min(removed, int(chunk.lines.size()) - o);
            const auto from = chunk.lines.begin() + o;
            const int lines = std::accumulate(from, from + k, 0);
            const int unknown = int(std::count(chunk.known.begin() + o, chunk.known.begin() + o + k, std::uint8_t(0)));
            chunk.lines.erase(from, from + k);
            chunk.known.erase(chunk.known.begin() + o, chunk.known.begin() + o + k);
            chunk.sum -= lines;
            chunk.unknown -= unknown;
            m_total -= lines;
            m_unknown -= unknown;
            m_size -= k;
            removed -= k;
            ++c;
            o = 0;
        }
        m_chunks.erase(std::remove_if(m_chunks.begin(), m_chunks.end(),
                                      [](const Chunk& chunk) { return chunk.lines.empty(); }),
                       m_chunks.end());
        if (m_chunks.empty())
            m_chunks.emplace_back();
        rebuild();
    }

    if (inserted > 0) {
        int c = 0, o = 0;
        locate(first, &c, &o);
        Chunk& chunk = m_chunks[c];
        chunk.lines.insert(chunk.lines.begin() + o, inserted, m_fresh);
        chunk.known.insert(chunk.known.begin() + o, inserted, std::uint8_t(0));
        chunk.sum += inserted * m_fresh;
        chunk.unknown += inserted;
        m_total += inserted * m_fresh;
        m_unknown += inserted;
        m_size += inserted;
        splitIfLarge(c);
        rebuild();
    }
}

void LineIndex::splitIfLarge(int c)
{
    if (int(m_chunks[c].lines.size()) <= kMaxChunk)
        return;
    Chunk big = std::move(m_chunks[c]);
    std::vector<Chunk> pieces;
    for (std::size_t start = 0; start < big.lines.size(); start += kHalfChunk) {
        const std::size_t end = std::min(big.lines.size(), start + kHalfChunk);
        Chunk piece;
        piece.lines.assign(big.lines.begin() + start, big.lines.begin() + end);
        piece.known.assign(big.known.begin() + start, big.known.begin() + end);
        piece.sum = std::accumulate(piece.lines.begin(), piece.lines.end(), 0);
        piece.unknown = int(std::count(piece.known.begin(), piece.known.end(), std::uint8_t(0)));
        pieces.push_back(std::move(piece));
    }
    m_chunks.erase(m_chunks.begin() + c);
    m_chunks.insert(m_chunks.begin() + c, std::make_move_iterator(pieces.begin()),
                    std::make_move_iterator(pieces.end()));
}

void LineIndex::rebuild()
{
    std::vector<int> sizes;
    std::vector<int> sums;
    sizes.reserve(m_chunks.size());
    sums.reserve(m_chunks.size());
    for (const Chunk& chunk : m_chunks) {
        sizes.push_back(int(chunk.lines.size()));
        sums.push_back(chunk.sum);
    }
    m_sizes.build(sizes);
    m_sums.build(sums);
}

int LineIndex::firstLineOf(int paragraph) const
{
    if (paragraph <= 0)
        return 0;
    if (paragraph >= m_size)
        return m_total;
    int c = 0, o = 0;
    locate(paragraph, &c, &o);
    const Chunk& chunk = m_chunks[c];
    return m_sums.prefix(c) + std::accumulate(chunk.lines.begin(), chunk.lines.begin() + o, 0);
}

int LineIndex::paragraphOfLine(int line, int* lineInParagraph) const
{
    if (m_total == 0) {
        if (lineInParagraph)
            *lineInParagraph = 0;
        return 0;
    }
    line = std::clamp(line, 0, m_total - 1);
    int before = 0;
    const int c = m_sums.find(line, &before);
    const Chunk& chunk = m_chunks[c];
    int rest = line - before;
    int i = 0;
    while (i + 1 < int(chunk.lines.size()) && rest >= chunk.lines[i]) {
        rest -= chunk.lines[i];
        ++i;
    }
    if (lineInParagraph)
        *lineInParagraph = rest;
    return m_sizes.prefix(c) + i;
}

}  // namespace qp
