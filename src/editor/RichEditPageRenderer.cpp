#include "editor/RichEditPageRenderer.h"

#include "editor/DocumentContent.h"
#include "editor/RichEditLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>
#include <QTextObjectInterface>
#include <QtMath>

#include <algorithm>

// The resolution the text engine takes tab stops to be in (the screen's).
Q_GUI_EXPORT int qt_defaultDpiY();

namespace qp {

namespace {

// The document keeps its lengths in pixels of a 96 dots-per-inch screen.
constexpr qreal kDocumentDpi = 96;

QImage resourceImage(const QTextDocument* doc, const QTextImageFormat& format)
{
    const QVariant data = doc->resource(QTextDocument::ImageResource, QUrl(format.name()));
    if (data.typeId() == QMetaType::QPixmap)
        return data.value<QPixmap>().toImage();
    return data.value<QImage>();
}

// Pictures at their size in the document, scaled to the printer.
class PrintImageHandler final : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    using QObject::QObject;

    QSizeF intrinsicSize(QTextDocument* doc, int /*posInDocument*/, const QTextFormat& format) override
    {
        const QTextImageFormat image = format.toImageFormat();
        QSizeF size(image.width(), image.height());
        if (!image.hasProperty(QTextFormat::ImageWidth) || !image.hasProperty(QTextFormat::ImageHeight)) {
            const QImage picture = resourceImage(doc, image);
            size = picture.size();
            if (image.hasProperty(QTextFormat::ImageWidth) && picture.width() > 0)
                size = QSizeF(image.width(), image.width() * picture.height() / picture.width());
            else if (image.hasProperty(QTextFormat::ImageHeight) && picture.height() > 0)
                size = QSizeF(image.height() * picture.width() / picture.height(), image.height());
        }
        const QPaintDevice* device = doc->documentLayout()->paintDevice();
        if (device)
            size = QSizeF(size.width() * device->logicalDpiX() / kDocumentDpi,
                          size.height() * device->logicalDpiY() / kDocumentDpi);
        return size;
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* doc, int /*posInDocument*/,
                    const QTextFormat& format) override
    {
        const QImage picture = resourceImage(doc, format.toImageFormat());
        if (!picture.isNull())
            painter->drawImage(rect, picture);
    }
};

// The copy's layout lays out nothing by itself: the renderer lays out the
// paragraphs of one page at a time. It gives the text engine the printer
// for measuring and draws the pictures.
class PrintLayout final : public QAbstractTextDocumentLayout {
public:
    explicit PrintLayout(QTextDocument* doc) : QAbstractTextDocumentLayout(doc)
    {
        registerHandler(QTextFormat::ImageObject, &m_images);
    }
    void draw(QPainter* /*painter*/, const PaintContext& /*context*/) override {}
    int hitTest(const QPointF& /*point*/, Qt::HitTestAccuracy /*accuracy*/) const override { return -1; }
    int pageCount() const override { return 1; }
    QSizeF documentSize() const override { return {}; }
    QRectF frameBoundingRect(QTextFrame* /*frame*/) const override { return {}; }
    QRectF blockBoundingRect(const QTextBlock& /*block*/) const override { return {}; }

protected:
    void documentChanged(int /*from*/, int /*charsRemoved*/, int /*charsAdded*/) override {}

private:
    PrintImageHandler m_images;
};

qreal indentSteps(const QTextBlock& block, const QTextBlockFormat& format)
{
    qreal steps = format.indent();
    if (const QTextList* list = block.textList())
        steps += list->format().indent();
    return steps;
}

}  // namespace

RichEditPageRenderer::RichEditPageRenderer(const QTextDocument& source, int docStart, int docEnd)
    : m_copy(std::make_unique<QTextDocument>()), m_docStart(docStart), m_docEnd(docEnd)
{
    // Before any text goes in: no layout of Qt's may lay the copy out.
    m_copy->setDocumentLayout(new PrintLayout(m_copy.get()));
    m_copy->setUndoRedoEnabled(false);
    // The content costs one quick pass; the copy of the range is built from
    // it as pages need its paragraphs, so a job starts at once however long
    // the text, and prints the text as it was when the job started.
    m_builder = std::make_unique<DocumentBuilder>(DocumentContent::of(source), *m_copy, docStart, docEnd);
    m_copy->setDocumentMargin(0);
    // A default font in pixels means screen pixels: on the printer it would
    // shrink to a speck, so it becomes the same size in points.
    QFont font = m_copy->defaultFont();
    if (font.pixelSize() > 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const qreal dpi = screen ? screen->logicalDotsPerInchY() : kDocumentDpi;
        font.setPointSizeF(font.pixelSize() * 72.0 / dpi);
        m_copy->setDefaultFont(font);
    }
}

RichEditPageRenderer::~RichEditPageRenderer() = default;

QTextBlock RichEditPageRenderer::completeBlock(int number)
{
    // The copy's last paragraph may still grow; the ones before it are whole.
    while (!m_builder->done() && m_copy->blockCount() <= number + 1)
        m_builder->append(kSliceBlocks);
    return m_copy->findBlockByNumber(number);
}

QTextBlock RichEditPageRenderer::blockAt(int position)
{
    while (!m_builder->done() && m_copy->characterCount() - 1 <= position)
        m_builder->append(kSliceBlocks);
    return completeBlock(m_copy->findBlock(position).blockNumber());
}

bool RichEditPageRenderer::matches(int docStart, int docEnd) const
{
    return docEnd == m_docEnd && docStart >= m_docStart;
}

int RichEditPageRenderer::length() const
{
    return m_builder->length();
}

void RichEditPageRenderer::useDevice(QPaintDevice& device, qreal width)
{
    // The same printer object may come back with another resolution after its dialog.
    const qreal scaleX = device.logicalDpiX() / kDocumentDpi;
    const qreal scaleY = device.logicalDpiY() / kDocumentDpi;
    if (&device == m_device && qFuzzyCompare(width, m_width) && scaleX == m_scaleX && scaleY == m_scaleY)
        return;
    m_device = &device;
    m_width = width;
    m_scaleX = scaleX;
    m_scaleY = scaleY;
    m_copy->documentLayout()->setPaintDevice(&device);
    if (m_laidBlock >= 0)
        m_copy->findBlockByNumber(m_laidBlock).clearLayout();
    m_laidBlock = -1;
}

void RichEditPageRenderer::layBlock(const QTextBlock& block)
{
    if (block.blockNumber() == m_laidBlock)
        return;
    if (m_laidBlock >= 0)
        m_copy->findBlockByNumber(m_laidBlock).clearLayout();
    m_laidBlock = block.blockNumber();
    m_lines.clear();

    const QTextDocument* doc = m_copy.get();
    const QTextBlockFormat format = block.blockFormat();
    const Qt::LayoutDirection direction = block.textDirection();
    const qreal indent = indentSteps(block, format) * doc->indentWidth() * m_scaleX;
    const qreal left = format.leftMargin() * m_scaleX + (direction == Qt::RightToLeft ? 0 : indent);
    const qreal right = format.rightMargin() * m_scaleX + (direction == Qt::RightToLeft ? indent : 0);
    const qreal textIndent = format.textIndent() * m_scaleX;

    QTextOption option = doc->defaultTextOption();
    option.setTextDirection(direction);
    // The text engine scales tab stops to the printer itself, but from the
    // screen's resolution, where the document keeps them at 96 dots per inch.
    const qreal tabScale = qreal(qt_defaultDpiY()) / kDocumentDpi;
    QList<QTextOption::Tab> tabs = format.tabPositions();
    for (QTextOption::Tab& tab : tabs)
        tab.position *= tabScale;
    option.setTabs(tabs);
    option.setTabStopDistance(option.tabStopDistance() * tabScale);
    Qt::Alignment align = option.alignment();
    if (format.hasProperty(QTextFormat::BlockAlignment))
        align = format.alignment();
    option.setAlignment(QStyle::visualAlignment(direction, align));
    // Paper has an edge: lines always wrap at the body's width.
    if (option.wrapMode() == QTextOption::NoWrap || option.wrapMode() == QTextOption::ManualWrap)
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QTextLayout* layout = block.layout();
    layout->setTextOption(option);

    qreal y = 0;
    layout->beginLayout();
    for (bool first = true;; first = false) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        qreal lineLeft = left;
        qreal lineRight = m_width - right;
        if (first) {
            if (direction == Qt::LeftToRight)
                lineLeft += textIndent;
            else
                lineRight -= textIndent;
        }
        // Indents wider than the body still leave a sliver to print in.
        const qreal width = std::max<qreal>(lineRight - lineLeft, 8 * m_scaleX);
        line.setLineWidth(width);
        if (line.naturalTextWidth() > width) {
            // A word longer than the line breaks anywhere rather than run off the paper.
            QTextOption anywhere = option;
            anywhere.setWrapMode(QTextOption::WrapAnywhere);
            layout->setTextOption(anywhere);
            line.setLineWidth(width);
            layout->setTextOption(option);
        }
        const qreal raw = qCeil(line.ascent() + line.descent() + line.leading());
        const qreal height = format.lineHeight(raw, m_scaleY);
        const qreal bottom = format.lineHeight(line.height(), m_scaleY);
        qreal adjustment = 0;
        if (format.lineHeightType() == QTextBlockFormat::FixedHeight)
            adjustment = line.ascent() + std::max<qreal>(line.leading(), 0) - height * 4 / 5;
        else if (format.lineHeightType() == QTextBlockFormat::MinimumHeight)
            adjustment = line.height() - height;
        line.setPosition(QPointF(lineLeft, y - adjustment));
        m_lines.append({y, y + bottom, y + height});
        y += height;
    }
    layout->endLayout();
}

int RichEditPageRenderer::render(QPainter* painter, QPaintDevice& device, const QRectF& pageRect, int from)
{
    useDevice(device, pageRect.width());
    const int end = length();
    if (from >= end)
        return end;

    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    if (painter) {
        painter->save();
        painter->setPen(Qt::black);
    }
    qreal used = 0;  // the height of the page taken so far
    bool pageEmpty = true;
    int next = end;
    QTextBlock previous;
    for (QTextBlock block = blockAt(from); block.isValid() && block.position() < end; block = block.next()) {
        block = completeBlock(block.blockNumber());
        if (!block.isVisible())
            continue;
        layBlock(block);
        if (m_lines.isEmpty())
            continue;
        QTextLayout* layout = block.layout();
        int first = 0;
        if (from > block.position())
            first = std::max(0, layout->lineForTextPosition(from - block.position()).lineNumber());
        // The space between paragraphs, but none at the top of a page.
        qreal gap = 0;
        if (!pageEmpty && previous.isValid())
            gap = std::max(block.blockFormat().topMargin(), previous.blockFormat().bottomMargin()) * m_scaleY;
        const qreal blockTop = used + gap - m_lines[first].top;  // the paragraph's top on the page
        int last = first;
        for (; last < m_lines.size(); ++last) {
            if (!pageEmpty && blockTop + m_lines[last].bottom > pageRect.height())
                break;
            pageEmpty = false;
            used = blockTop + m_lines[last].next;
        }
        if (painter && last > first) {
            const QPointF origin(pageRect.left(), pageRect.top() + blockTop);
            layout->setPosition(origin);
            if (first == 0 && block.textList())
                drawListMarker(painter, context, block, nullptr, &device);
            for (int i = first; i < last; ++i)
                layout->lineAt(i).draw(painter, origin);
        }
        if (last < m_lines.size()) {
            next = block.position() + layout->lineAt(last).textStart();
            break;
        }
        previous = block;
    }
    if (painter)
        painter->restore();
    return std::min(next, end);
}

}  // namespace qp

#include "RichEditPageRenderer.moc"
