#pragma once

#include "editor/LineIndex.h"

#include <QAbstractTextDocumentLayout>
#include <QHash>
#include <QTextBlock>
#include <QTextLayout>

#include <memory>

class QTextDocument;

namespace qp {

// A list paragraph's bullet or number, left of its first line (right of it
// in right-to-left text), in the font at the paragraph's start measured on
// `device`, as Qt's layout draws it; `selection` when the selection runs
// through the marker. The paragraph's layout holds its lines and position.
void drawListMarker(QPainter* painter, const QAbstractTextDocumentLayout::PaintContext& context,
                    const QTextBlock& block, const QTextCharFormat* selection, const QPaintDevice* device);

// Formats drawn over a paragraph at paint time and never stored in it (the
// spelling marks), so they come and go without touching the text, the undo
// history or a saved file.
class ParagraphDecorator {
public:
    virtual ~ParagraphDecorator() = default;
    // Appends the paragraph's extra formats; positions count from the paragraph's start.
    virtual void decorate(const QTextBlock& block, QList<QTextLayout::FormatRange>& formats) const = 0;
};

// A document layout for flowing paragraphs without tables, floats, lists or
// embedded objects: each paragraph is laid out on its own, the way Qt's own
// layout lays out such paragraphs, and the paragraph heights are kept in an
// index. An edit costs the paragraphs it touches and a logarithmic update
// where Qt's layout walks every paragraph below the edit. Paragraphs not laid
// out yet count with an estimated height until they are needed or the idle
// line tracking reaches them.
class RichEditLayout : public QAbstractTextDocumentLayout {
    Q_OBJECT
    Q_PROPERTY(int cursorWidth READ cursorWidth WRITE setCursorWidth)

public:
    explicit RichEditLayout(QTextDocument* document);

    // Whether the document holds only what this layout draws.
    static bool suits(const QTextDocument* document);

    void draw(QPainter* painter, const PaintContext& context) override;
    int hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const override;
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override;
    QRectF frameBoundingRect(QTextFrame* frame) const override;
    QRectF blockBoundingRect(const QTextBlock& block) const override;

    // Between these, size changes found while laying out are reported once, at the end.
    void beginBatch();
    void endBatch();

    // The paragraph's display lines. A paragraph that surely fits on one line
    // is measured from cached advances and left without a layout until it
    // is shown; the others are laid out.
    int displayLines(const QTextBlock& block) const;

    // Drawn under the selection for every paragraph painted; nullptr for none.
    void setDecorator(const ParagraphDecorator* decorator) { m_decorator = decorator; }

    int cursorWidth() const { return m_cursorWidth; }
    void setCursorWidth(int width) { m_cursorWidth = width; }

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    qreal width() const;
    // Lines run on past the width (no word wrap): the widest paragraph seen
    // so far sets the width of the document.
    bool unwrapped() const;
    qreal top() const;
    // The top of the paragraph's slot (margins included).
    qreal blockTop(int number) const;
    // Lays the paragraph out unless it is current; returns whether its height changed.
    bool ensureLaidOut(const QTextBlock& block) const;
    // Lays the paragraph out at the top of its slot and records its height.
    bool layBlock(const QTextBlock& block, int number) const;
    // The paragraph's height in 1/64 pixels when it surely fits on one line
    // of one font's metrics, or -1 when that cannot be told without a layout.
    int singleLineHeight(const QTextBlock& block, int number) const;
    struct FontMeasure;
    FontMeasure& fontMeasure(int formatIndex, const QTextCharFormat& format) const;
    QTextBlock blockAtY(qreal y) const;
    void reportSize(qreal changedTop) const;
    void flushReport() const;

    // Paragraph heights in 1/64 pixels, as the text engine counts them.
    mutable LineIndex m_heights{0, 0};
    // By character format index; the formats of a document never change
    // under their index, only the default font does (a full relayout).
    mutable QHash<int, std::shared_ptr<FontMeasure>> m_measures;
    mutable qreal m_widest = 0;
    mutable bool m_reportNeeded = false;
    mutable bool m_flushQueued = false;
    mutable qreal m_changedTop = 1e12;
    int m_batch = 0;
    bool m_painting = false;
    qreal m_lastWidth = -1;
    int m_cursorWidth = 1;
    const ParagraphDecorator* m_decorator = nullptr;
};

}  // namespace qp
