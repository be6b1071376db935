#include "editor/LineIndex.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <numeric>
#include <random>
#include <vector>

namespace qp {
namespace {

// The plain model the index must agree with.
struct Model {
    std::vector<int> lines;
    std::vector<bool> known;

    int first(int p) const { return std::accumulate(lines.begin(), lines.begin() + p, 0); }
};

void expectSame(const LineIndex& index, const Model& model)
{
    const int n = int(model.lines.size());
    ASSERT_EQ(index.paragraphCount(), n);
    const int total = std::accumulate(model.lines.begin(), model.lines.end(), 0);
    ASSERT_EQ(index.lineCount(), total);
    int line = 0;
    for (int p = 0; p < n; ++p) {
        ASSERT_EQ(index.lines(p), model.lines[p]) << "paragraph " << p;
        ASSERT_EQ(index.isKnown(p), model.known[p]) << "paragraph " << p;
        ASSERT_EQ(index.firstLineOf(p), line) << "paragraph " << p;
        // Every unit of small values; the edges and middle of large ones.
        const int count = model.lines[p];
        std::vector<int> units;
        for (int k = 0; k < count; ++k) {
            if (k < 8 || k == count / 2 || k == count - 1)
                units.push_back(k);
        }
        for (const int k : units) {
            int inner = -1;
            ASSERT_EQ(index.paragraphOfLine(line + k, &inner), p) << "line " << line + k;
            ASSERT_EQ(inner, k);
        }
        line += model.lines[p];
    }
    ASSERT_EQ(index.firstLineOf(n), total);
    const auto unknown = std::find(model.known.begin(), model.known.end(), false);
    ASSERT_EQ(index.firstUnknown(), unknown == model.known.end() ? -1 : int(unknown - model.known.begin()));
}

TEST(LineIndex, NewParagraphsAreUnknownSingleLines)
{
    LineIndex index;
    index.reset(3);
    EXPECT_EQ(index.lineCount(), 3);
    EXPECT_TRUE(index.hasUnknown());
    EXPECT_EQ(index.firstUnknown(), 0);
    index.setLines(0, 4);
    index.setLines(1, 0);  // a paragraph always has a line
    index.setLines(2, 2);
    EXPECT_FALSE(index.hasUnknown());
    EXPECT_EQ(index.lineCount(), 7);
    EXPECT_EQ(index.firstLineOf(2), 5);
    int inner = -1;
    EXPECT_EQ(index.paragraphOfLine(3, &inner), 0);
    EXPECT_EQ(inner, 3);
    EXPECT_EQ(index.paragraphOfLine(4, &inner), 1);
    EXPECT_EQ(index.paragraphOfLine(99, &inner), 2);  // clamped to the last line
    EXPECT_EQ(inner, 1);
}

TEST(LineIndex, MarkAllUnknownKeepsCountsAsEstimates)
{
    LineIndex index;
    index.reset(2);
    index.setLines(0, 3);
    index.setLines(1, 2);
    index.markAllUnknown();
    EXPECT_EQ(index.lineCount(), 5);
    EXPECT_EQ(index.firstUnknown(), 0);
}

// Random value changes and paragraph replacements against the plain model.
// The same index keeps paragraph heights: fresh paragraphs then take an
// estimated height and a hidden paragraph has none.
void randomEdits(int fresh, int minimum, int largest)
{
    std::mt19937 random(1234);
    LineIndex index(fresh, minimum);
    Model model;
    index.reset(5000);
    model.lines.assign(5000, fresh);
    model.known.assign(5000, false);

    for (int step = 0; step < 3000; ++step) {
        const int n = int(model.lines.size());
        const int op = int(random() % 10);
        if (op < 6 && n > 0) {
            const int p = int(random() % n);
            const int value = std::max(minimum, int(random() % (largest + 1)));
            index.setLines(p, value);
            model.lines[p] = value;
            model.known[p] = true;
        } else {
            const int first = int(random() % (n + 1));
            const int removed = int(random() % std::min(n - first + 1, op == 9 ? 3000 : 40));
            const int inserted = int(random() % (op == 8 ? 3000 : 40));
            index.replace(first, removed, inserted);
            model.lines.erase(model.lines.begin() + first, model.lines.begin() + first + removed);
            model.known.erase(model.known.begin() + first, model.known.begin() + first + removed);
            model.lines.insert(model.lines.begin() + first, inserted, fresh);
            model.known.insert(model.known.begin() + first, inserted, false);
        }
        if (step % 300 == 0)
            expectSame(index, model);
    }
    expectSame(index, model);
}

TEST(LineIndex, AgreesWithAPlainModelUnderRandomEdits)
{
    randomEdits(1, 1, 7);
}

TEST(LineIndex, KeepsHeightsWithEstimatesAndEmptyParagraphs)
{
    randomEdits(960, 0, 3000);
}

TEST(LineIndex, RemovingEverythingLeavesAnEmptyIndex)
{
    LineIndex index;
    index.reset(2000);
    index.replace(0, 2000, 0);
    EXPECT_EQ(index.paragraphCount(), 0);
    EXPECT_EQ(index.lineCount(), 0);
    EXPECT_EQ(index.firstUnknown(), -1);
    EXPECT_EQ(index.paragraphOfLine(0), 0);
    index.replace(0, 0, 1);
    EXPECT_EQ(index.paragraphCount(), 1);
    EXPECT_EQ(index.lineCount(), 1);
}

}  // namespace
}  // namespace qp
