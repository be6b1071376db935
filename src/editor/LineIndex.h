#pragma once

#include <cstdint>
#include <vector>

namespace qp {

// The number of display lines of each paragraph, with prefix sums in
// O(log n + chunk) and paragraph inserts and removals that touch only one
// chunk. A paragraph whose layout has not been made yet is "unknown" and
// counts as the lines last recorded for it (one when new).
//
// The same index serves any per-paragraph quantity, such as heights: new
// paragraphs take `fresh` and recorded values are at least `minimum`.
class LineIndex {
public:
    explicit LineIndex(int fresh = 1, int minimum = 1);

    // The value given to paragraphs from now on (an estimate while unknown).
    void setFresh(int fresh) { m_fresh = fresh; }

    // n unknown paragraphs of the fresh value each.
    void reset(int paragraphs);

    int paragraphCount() const { return m_size; }
    int lineCount() const;
    int lines(int paragraph) const;
    bool isKnown(int paragraph) const;
    bool hasUnknown() const { return m_unknown > 0; }
    // The first unknown paragraph, or -1.
    int firstUnknown() const;

    // Records a paragraph's line count (at least the minimum) as known.
    void setLines(int paragraph, int lines);
    // Marks every paragraph unknown, keeping its count as an estimate.
    void markAllUnknown();

    // Replaces `removed` paragraphs from `first` on by `inserted` unknown
    // paragraphs of the fresh value each.
    void replace(int first, int removed, int inserted);

    // The number of lines before the paragraph (the whole count for
    // paragraphCount()).
    int firstLineOf(int paragraph) const;
    // The paragraph holding the line (clamped to the existing lines), and the
    // line's number inside it.
    int paragraphOfLine(int line, int* lineInParagraph = nullptr) const;

private:
    struct Chunk {
        std::vector<int> lines;
        std::vector<std::uint8_t> known;
        int sum = 0;
        int unknown = 0;
    };

    // Fenwick tree over the chunks: sizes in paragraphs and sums in lines.
    class Fenwick {
    public:
        void build(const std::vector<int>& values);
        void add(int index, int delta);
        int prefix(int count) const;  // sum of the first `count` values
        // The index whose range holds the target-th unit (0-based), given
        // that target < total; `before` receives the sum ahead of it.
        int find(int target, int* before) const;

    private:
        std::vector<int> m_tree;
        int m_mask = 0;
    };

    void locate(int paragraph, int* chunk, int* offset) const;
    void rebuild();
    void splitIfLarge(int chunk);

    std::vector<Chunk> m_chunks;
    Fenwick m_sizes;
    Fenwick m_sums;
    int m_fresh = 1;
    int m_minimum = 1;
    int m_size = 0;
    int m_total = 0;
    int m_unknown = 0;
};

}  // namespace qp
