#pragma once

#include <QRectF>

#include <memory>

class QPainter;
class QPaintDevice;
class QTextDocument;

namespace qp {

// Prints part of a document page by page: a copy of the range, laid out at
// the body width on the printer itself, drawn one page of whole lines at a
// time. Positions here are the copied document's own.
class RichEditPageRenderer {
public:
    // Copies document positions [docStart, docEnd) of the source.
    RichEditPageRenderer(const QTextDocument& source, int docStart, int docEnd);
    ~RichEditPageRenderer();

    bool matches(int docStart, int docEnd, const QPaintDevice* device, qreal width) const;
    // Draws from the copy's position `from` as many whole lines as fit into
    // pageRect and returns the copy's first position not drawn.
    int render(QPainter& painter, const QRectF& pageRect, int from);
    int length() const;

private:
    void layoutFor(QPaintDevice* device, qreal width);

    std::unique_ptr<QTextDocument> m_copy;
    int m_docStart;
    int m_docEnd;
    const QPaintDevice* m_device = nullptr;
    qreal m_width = -1;
};

}  // namespace qp
