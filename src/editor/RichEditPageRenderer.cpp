#include "editor/RichEditPageRenderer.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

namespace qp {

RichEditPageRenderer::RichEditPageRenderer(const QTextDocument& source, int docStart, int docEnd)
    : m_copy(source.clone()), m_docStart(docStart), m_docEnd(docEnd)
{
    // Cut the copy down to the range: the tail first, so the head's positions hold.
    QTextCursor cursor(m_copy.get());
    cursor.beginEditBlock();
    cursor.setPosition(docEnd);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.setPosition(0);
    cursor.setPosition(docStart, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.endEditBlock();
    m_copy->setUndoRedoEnabled(false);
    m_copy->setDocumentMargin(0);
    // A default font in pixels means screen pixels: on the printer it would
    // shrink to a speck, so it becomes the same size in points.
    QFont font = m_copy->defaultFont();
    if (font.pixelSize() > 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const qreal dpi = screen ? screen->logicalDotsPerInchY() : 96;
        font.setPointSizeF(font.pixelSize() * 72.0 / dpi);
        m_copy->setDefaultFont(font);
    }
}

RichEditPageRenderer::~RichEditPageRenderer() = default;

bool RichEditPageRenderer::matches(int docStart, int docEnd, const QPaintDevice* device, qreal width) const
{
    return docEnd == m_docEnd && docStart >= m_docStart && device == m_device && qFuzzyCompare(width, m_width);
}

int RichEditPageRenderer::length() const
{
    return m_copy->characterCount() - 1;
}

void RichEditPageRenderer::layoutFor(QPaintDevice* device, qreal width)
{
    if (device == m_device && qFuzzyCompare(width, m_width))
        return;
    m_device = device;
    m_width = width;
    m_copy->documentLayout()->setPaintDevice(device);
    m_copy->setPageSize(QSizeF(width, -1));
    m_copy->documentLayout()->documentSize();  // the whole range is printed anyway
}

int RichEditPageRenderer::render(QPainter& painter, const QRectF& pageRect, int from)
{
    layoutFor(painter.device(), pageRect.width());
    const int end = length();
    if (from >= end)
        return end;

    QAbstractTextDocumentLayout* layout = m_copy->documentLayout();
    QTextBlock block = m_copy->findBlock(from);
    QTextLayout* textLayout = block.layout();
    QTextLine line = textLayout->lineForTextPosition(from - block.position());
    if (!line.isValid())
        line = textLayout->lineAt(0);
    const qreal top = layout->blockBoundingRect(block).top() + line.y();

    // Take whole lines while they fit; the first line always goes, so every
    // page makes progress even when the body is smaller than a line.
    qreal bottom = top;
    int next = end;
    bool first = true;
    while (block.isValid()) {
        const QRectF blockRect = layout->blockBoundingRect(block);
        textLayout = block.layout();
        for (int i = line.isValid() ? line.lineNumber() : 0; i < textLayout->lineCount(); ++i) {
            const QTextLine l = textLayout->lineAt(i);
            const qreal lineBottom = blockRect.top() + l.y() + l.height();
            if (!first && lineBottom - top > pageRect.height()) {
                next = block.position() + l.textStart();
                block = QTextBlock();
                break;
            }
            first = false;
            bottom = lineBottom;
        }
        if (!block.isValid())
            break;
        line = QTextLine();
        block = block.next();
    }

    painter.save();
    painter.translate(pageRect.left(), pageRect.top() - top);
    const QRectF clip(0, top, pageRect.width(), bottom - top);
    painter.setClipRect(clip);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = clip;
    context.palette.setColor(QPalette::Text, Qt::black);
    layout->draw(&painter, context);
    painter.restore();
    return qMin(next, end);
}

}  // namespace qp
