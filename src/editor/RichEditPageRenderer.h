#pragma once

#include <QList>
#include <QRectF>

#include <memory>

class QPainter;
class QPaintDevice;
class QTextBlock;
class QTextDocument;

namespace qp {

class DocumentBuilder;

// Prints part of a document page by page: a copy of the range, built a few
// paragraphs at a time as the pages reach them, whose paragraphs are laid out
// one at a time on the printer itself, only those that make up the page
// asked for, so neither the start of a job nor the cost of a page grows with
// the length of the text. Lengths the document keeps in screen pixels
// (indents, paragraph spacing, list indents) are scaled to the device.
// Positions here are the copied document's own.
class RichEditPageRenderer {
public:
    // Copies document positions [docStart, docEnd) of the source.
    RichEditPageRenderer(const QTextDocument& source, int docStart, int docEnd);
    ~RichEditPageRenderer();

    bool matches(int docStart, int docEnd) const;
    // Lays out from the copy's position `from` as many whole lines as fit
    // into pageRect of `device` and returns the copy's first position not
    // taken; draws them when a painter is given (on `device`). The first
    // line always goes, so every page makes progress.
    int render(QPainter* painter, QPaintDevice& device, const QRectF& pageRect, int from);
    int length() const;

private:
    struct Line {
        qreal top;     // the line's slot, from the paragraph's top
        qreal bottom;  // where its ink may reach
        qreal next;    // the next line's slot
    };
    // Paragraphs the copy takes at a time as the pages reach them.
    static constexpr int kSliceBlocks = 64;
    // The copy's paragraph `number` (or the one with `position`), whole.
    QTextBlock completeBlock(int number);
    QTextBlock blockAt(int position);
    void useDevice(QPaintDevice& device, qreal width);
    // Lays the paragraph out at the body width; its lines' slots in m_lines.
    void layBlock(const QTextBlock& block);

    std::unique_ptr<QTextDocument> m_copy;
    std::unique_ptr<DocumentBuilder> m_builder;
    int m_docStart;
    int m_docEnd;
    QPaintDevice* m_device = nullptr;
    qreal m_width = -1;
    qreal m_scaleX = 1;
    qreal m_scaleY = 1;
    // The paragraph laid out last: a page may end inside it.
    int m_laidBlock = -1;
    QList<Line> m_lines;
};

}  // namespace qp
