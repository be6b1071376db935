#include "editor/RichEditLayout.h"

#include "editor/DocumentText.h"
#include "rtf/RtfTextProperties.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QRawFont>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>
#include <QTimer>
#include <QtMath>

#include <algorithm>
#include <climits>

namespace qp {

namespace {

// Edits touching more paragraphs than this leave them to be laid out when
// they are shown or by the idle line tracking.
constexpr int kSyncBlocks = 64;
constexpr qreal kNoChange = 1e12;
// A jump into paragraphs not laid out yet lays out this much above the one
// asked for: more than a window's height.
constexpr int kContextPixels = 2048;

// Positions and heights in 1/64 pixel with the text engine's truncation, so
// that the sums come out as in Qt's own layout.
int fixed(qreal value)
{
    return int(value * 64);
}

qreal real(qint64 value)
{
    return qreal(value) / 64;
}

struct Frame {
    int left = 0;   // x of the text area
    int right = 0;
    int top = 0;
    int bottom = 0;  // below the last paragraph
};

Frame rootFrame(const QTextDocument* doc)
{
    const QTextFrameFormat format = doc->rootFrame()->frameFormat();
    const int border = fixed(format.border());
    const int padding = fixed(format.padding());
    const int left = fixed(format.leftMargin());
    const int right = fixed(format.rightMargin());
    const int width = fixed(format.width().value(std::max<qreal>(0, doc->pageSize().width())));
    Frame frame;
    frame.left = left + border + padding;
    frame.right = frame.left + width - 2 * (border + padding) - left - right;
    frame.top = fixed(format.topMargin()) + border + padding;
    frame.bottom = fixed(format.bottomMargin()) + border + padding;
    return frame;
}

void lineHeights(const QTextBlockFormat& format, const QTextLine& line, int* adjustment, int* height, int* bottom)
{
    const qreal raw = qCeil(line.ascent() + line.descent() + line.leading());
    *height = fixed(format.lineHeight(raw, 1));
    *bottom = fixed(format.lineHeight(line.height(), 1));
    const int type = format.lineHeightType();
    if (type == QTextBlockFormat::FixedHeight)
        *adjustment = fixed(line.ascent() + std::max<qreal>(line.leading(), 0)) - (*height * 4) / 5;
    else if (type == QTextBlockFormat::MinimumHeight)
        *adjustment = fixed(line.height()) - *height;
    else
        *adjustment = 0;
}

// Characters whose advance is their own width in a left-to-right run:
// Latin, Greek and Cyrillic without combining marks, and the dashes, quotes
// and ellipsis of prose. Soft hyphens, tabs and separators are left out.
constexpr char16_t kSimpleEnd = 0x0530;
constexpr char16_t kPunctuationFirst = 0x2010;
constexpr char16_t kPunctuationEnd = 0x2028;
constexpr int kTableSize = kSimpleEnd + (kPunctuationEnd - kPunctuationFirst);

int simpleIndex(char16_t c)
{
    if (c < 0x20 || (c >= 0x7f && c < 0xa0) || c == 0xad || (c >= 0x300 && c < 0x370) || (c >= 0x483 && c < 0x48a))
        return -1;
    if (c < kSimpleEnd)
        return c;
    if (c >= kPunctuationFirst && c < kPunctuationEnd)
        return kSimpleEnd + (c - kPunctuationFirst);
    return -1;
}

// A paragraph's indent: its own steps and, in a list, the list's.
qreal indentSteps(const QTextBlock& block, const QTextBlockFormat& format)
{
    qreal steps = format.indent();
    if (const QTextList* list = block.textList())
        steps += list->format().indent();
    return steps;
}

bool plainBlockFormat(const QTextFormat& format)
{
    return !format.hasProperty(QTextFormat::BackgroundBrush)
           && !format.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)
           && !format.hasProperty(QTextFormat::BlockMarker);
}

}  // namespace

// The metrics of one character format, and the advances of its simple
// characters as they are asked for (0 unknown, negative not in the font).
struct RichEditLayout::FontMeasure {
    explicit FontMeasure(const QFont& font)
        : metrics(font), primary(QRawFont::fromFont(font)), advances(kTableSize, 0.0f)
    {
    }
    QFontMetricsF metrics;
    // A character missing from the font comes from a fallback font, whose
    // metrics may make the line taller.
    QRawFont primary;
    bool usable = false;
    qreal ascent = 0;
    qreal descent = 0;
    qreal leading = 0;
    std::vector<float> advances;

    float advance(char16_t c)
    {
        const int index = simpleIndex(c);
        if (index < 0)
            return -1;
        float& a = advances[std::size_t(index)];
        if (a == 0)
            a = primary.supportsCharacter(QChar(c)) ? float(metrics.horizontalAdvance(QChar(c))) + 1e-6f : -1;
        return a;
    }
};

RichEditLayout::RichEditLayout(QTextDocument* document) : QAbstractTextDocumentLayout(document)
{
    m_heights.reset(document->blockCount());
}

bool RichEditLayout::suits(const QTextDocument* document)
{
    if (!document->rootFrame()->childFrames().isEmpty())
        return false;
    const QList<QTextFormat> formats = document->allFormats();
    for (const QTextFormat& format : formats) {
        // The root frame's own format is a frame format; other frames show in childFrames().
        if (format.isImageFormat() || format.isTableFormat() || format.isTableCellFormat()
            || (format.isCharFormat() && format.objectType() != QTextFormat::NoObject))
            return false;
        if (format.isBlockFormat() && !plainBlockFormat(format))
            return false;
    }
    return true;
}

qreal RichEditLayout::width() const
{
    return document()->pageSize().width();
}

bool RichEditLayout::unwrapped() const
{
    const QTextOption::WrapMode mode = document()->defaultTextOption().wrapMode();
    return mode == QTextOption::NoWrap || mode == QTextOption::ManualWrap || document()->pageSize().width() < 0;
}

qreal RichEditLayout::top() const
{
    return real(rootFrame(document()).top);
}

qreal RichEditLayout::blockTop(int number) const
{
    return real(qint64(rootFrame(document()).top) + m_heights.firstLineOf(number));
}

QTextBlock RichEditLayout::blockAtY(qreal y) const
{
    const qint64 offset = qint64(y * 64) - rootFrame(document()).top;
    if (offset < 0)
        return document()->firstBlock();
    if (offset >= m_heights.lineCount())
        return document()->lastBlock();
    return document()->findBlockByNumber(m_heights.paragraphOfLine(int(offset)));
}

bool RichEditLayout::layBlock(const QTextBlock& block, int number) const
{
    QTextLayout* layout = block.layout();
    const QTextDocument* doc = document();
    const Frame frame = rootFrame(doc);
    const QTextBlockFormat format = block.blockFormat();
    const qint64 slotTop = qint64(frame.top) + m_heights.firstLineOf(number);

    if (!block.isVisible()) {
        layout->clearLayout();
        layout->setPosition(QPointF(real(frame.left), real(slotTop)));
        const bool changed = m_heights.lines(number) != 0;
        m_heights.setLines(number, 0);
        return changed;
    }

    int y = 0;
    if (number > 0) {
        const QTextBlockFormat previous = block.previous().blockFormat();
        y += fixed(std::max(format.topMargin(), previous.bottomMargin()));
    }
    const Qt::LayoutDirection direction = block.textDirection();
    const int indent = fixed(indentSteps(block, format) * doc->indentWidth());
    const int totalLeft = fixed(format.leftMargin()) + (direction == Qt::RightToLeft ? 0 : indent);
    const int totalRight = fixed(format.rightMargin()) + (direction == Qt::RightToLeft ? indent : 0);

    QTextOption option = doc->defaultTextOption();
    option.setTextDirection(direction);
    option.setTabs(format.tabPositions());
    Qt::Alignment align = doc->defaultTextOption().alignment();
    if (format.hasProperty(QTextFormat::BlockAlignment))
        align = format.alignment();
    option.setAlignment(QStyle::visualAlignment(direction, align));
    if (format.nonBreakableLines() || doc->pageSize().width() < 0)
        option.setWrapMode(QTextOption::ManualWrap);
    layout->setTextOption(option);
    const bool wordOrAnywhere = option.wrapMode() == QTextOption::WrapAtWordBoundaryOrAnywhere;

    const int blockY = y;
    const int left = frame.left + totalLeft;
    const int right = frame.right - totalRight;
    const int textIndent = fixed(format.textIndent());
    int bottom = 0;
    layout->beginLayout();
    for (bool first = true;; first = false) {
        QTextLine line = layout->createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        int lineLeft = left;
        int lineRight = right;
        if (first) {
            if (direction == Qt::LeftToRight)
                lineLeft += textIndent;
            else
                lineRight -= textIndent;
        }
        line.setLineWidth(real(lineRight - lineLeft));
        if (fixed(line.naturalTextWidth()) > lineRight - lineLeft) {
            // A word wider than the line: Qt's layout tries it again at its
            // own width, so the line breaks come out the same.
            line.setLineWidth(real(lineRight - lineLeft));
            if (fixed(line.naturalTextWidth()) > lineRight - lineLeft) {
                if (wordOrAnywhere) {
                    option.setWrapMode(QTextOption::WrapAnywhere);
                    layout->setTextOption(option);
                }
                line.setLineWidth(std::max<qreal>(line.naturalTextWidth(), real(lineRight - lineLeft)));
                if (wordOrAnywhere) {
                    option.setWrapMode(QTextOption::WordWrap);
                    layout->setTextOption(option);
                }
            }
        }
        int adjustment = 0, height = 0, lineBottom = 0;
        lineHeights(format, line, &adjustment, &height, &lineBottom);
        line.setPosition(QPointF(real(lineLeft - frame.left), real(y - blockY - adjustment)));
        bottom = y + lineBottom;
        y += height;
    }
    y = std::max(y, bottom);
    layout->endLayout();
    layout->setPosition(QPointF(real(frame.left), real(slotTop + blockY)));
    if (unwrapped()) {
        const qreal right = real(frame.left) + layout->boundingRect().right() + real(totalRight);
        if (right > m_widest) {
            m_widest = right;
            reportSize(kNoChange);
        }
    }

    const bool changed = m_heights.lines(number) != y;
    m_heights.setLines(number, y);
    return changed;
}

RichEditLayout::FontMeasure& RichEditLayout::fontMeasure(int formatIndex, const QTextCharFormat& format) const
{
    std::shared_ptr<FontMeasure>& slot = m_measures[formatIndex];
    if (!slot) {
        const QFont font = format.font();
        slot = std::make_shared<FontMeasure>(font);
        const bool plainSpacing = font.letterSpacing() == 0
                                  || (font.letterSpacingType() == QFont::PercentageSpacing && font.letterSpacing() == 100);
        slot->usable = slot->primary.isValid() && plainSpacing && font.wordSpacing() == 0 && font.capitalization() == QFont::MixedCase
                       && (font.stretch() == QFont::AnyStretch || font.stretch() == QFont::Unstretched)
                       && format.verticalAlignment() == QTextCharFormat::AlignNormal && !isHiddenText(format);
        slot->ascent = slot->metrics.ascent();
        slot->descent = slot->metrics.descent();
        slot->leading = slot->metrics.leading();
    }
    return *slot;
}

int RichEditLayout::singleLineHeight(const QTextBlock& block, int number) const
{
    const QTextDocument* doc = document();
    if (paintDevice() || !block.isVisible())
        return -1;
    const QTextBlockFormat format = block.blockFormat();
    if (format.lineHeightType() != QTextBlockFormat::SingleHeight || format.nonBreakableLines() || block.textList())
        return -1;
    const FontMeasure* first = nullptr;
    qreal width = 0;
    if (block.length() <= 1) {
        // An empty paragraph is one line in the format of its break.
        const FontMeasure& measure = fontMeasure(block.charFormatIndex(), block.charFormat());
        if (!measure.usable)
            return -1;
        first = &measure;
    }
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        FontMeasure& measure = fontMeasure(fragment.charFormatIndex(), fragment.charFormat());
        if (!measure.usable)
            return -1;
        if (!first)
            first = &measure;
        else if (measure.ascent != first->ascent || measure.descent != first->descent
                 || measure.leading != first->leading)
            return -1;
        const QString text = fragment.text();
        for (const QChar c : text) {
            const float advance = measure.advance(c.unicode());
            if (advance < 0)
                return -1;
            width += advance;
        }
    }
    if (!first)
        return -1;
    // Kerning and rounding move a shaped width by far less than the margin
    // kept here; a paragraph near the edge is laid out for real.
    const Frame frame = rootFrame(doc);
    const int indent = fixed(indentSteps(block, format) * doc->indentWidth());
    const int lineWidth = frame.right - frame.left - fixed(format.leftMargin()) - fixed(format.rightMargin()) - indent
                          - std::max(0, fixed(format.textIndent()));
    if (!unwrapped() && fixed(width * 1.0625) + fixed(4) >= lineWidth)
        return -1;
    int y = 0;
    if (number > 0)
        y += fixed(std::max(format.topMargin(), block.previous().blockFormat().bottomMargin()));
    const qreal sum = first->ascent + first->descent;
    const int raw = fixed(qCeil(sum + first->leading));
    const int full = fixed(qCeil(sum + std::max<qreal>(first->leading, 0)));
    return y + std::max(raw, full);
}

int RichEditLayout::displayLines(const QTextBlock& block) const
{
    const int number = block.blockNumber();
    if (m_heights.paragraphCount() != document()->blockCount())
        m_heights.reset(document()->blockCount());
    const QTextLayout* layout = existingLayout(block);
    if (layout && layout->lineCount() > 0 && m_heights.isKnown(number))
        return layout->lineCount();
    if (!block.isVisible())
        return 0;
    if (m_heights.isKnown(number))
        return 1;  // measured as one line, not laid out yet
    const int height = singleLineHeight(block, number);
    if (height >= 0) {
        const bool changed = m_heights.lines(number) != height;
        m_heights.setLines(number, height);
        if (changed)
            reportSize(blockTop(number));
        return 1;
    }
    ensureLaidOut(block);
    return block.layout()->lineCount();
}

bool RichEditLayout::ensureLaidOut(const QTextBlock& block) const
{
    const int number = block.blockNumber();
    if (m_heights.paragraphCount() != document()->blockCount())
        m_heights.reset(document()->blockCount());
    const QTextLayout* layout = block.layout();
    bool changed = false;
    if (!m_heights.isKnown(number) || !layout || (layout->lineCount() == 0 && block.isVisible())) {
        // The paragraphs shown above it are laid out too (top down), so that
        // a jump into text not laid out yet puts it where it stays.
        int first = number;
        qint64 covered = 0;
        for (QTextBlock b = block.previous(); b.isValid() && covered < fixed(kContextPixels)
                                               && !m_heights.isKnown(first - 1);
             b = b.previous()) {
            --first;
            covered += m_heights.lines(first);
        }
        QTextBlock b = first == number ? block : document()->findBlockByNumber(first);
        for (int n = first; n <= number; ++n, b = b.next())
            changed = layBlock(b, n) || changed;
        if (changed)
            reportSize(blockTop(first));
    }
    // Paragraphs above may have changed height since it was placed.
    const QPointF pos = block.layout()->position();
    const qreal top = blockTop(number);
    qreal margin = 0;
    if (number > 0 && block.isVisible())
        margin = real(fixed(std::max(block.blockFormat().topMargin(), block.previous().blockFormat().bottomMargin())));
    if (pos.y() != top + margin)
        block.layout()->setPosition(QPointF(pos.x(), top + margin));
    return changed;
}

void RichEditLayout::reportSize(qreal changedTop) const
{
    m_changedTop = std::min(m_changedTop, changedTop);
    m_reportNeeded = true;
    if (m_batch > 0)
        return;
    if (!m_painting) {
        flushReport();
        return;
    }
    // Not from inside a paint: the view answers by scrolling.
    if (m_flushQueued)
        return;
    m_flushQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_flushQueued = false;
        flushReport();
    });
}

void RichEditLayout::flushReport() const
{
    if (!m_reportNeeded)
        return;
    m_reportNeeded = false;
    auto* self = const_cast<RichEditLayout*>(this);
    Q_EMIT self->documentSizeChanged(documentSize());
    // Only what lies below the first changed paragraph moved; the view
    // repaints none of it when that is below the window.
    const qreal top = m_changedTop;
    m_changedTop = kNoChange;
    Q_EMIT self->update(QRectF(0, top, qreal(INT_MAX), qreal(INT_MAX)));
}

void RichEditLayout::beginBatch()
{
    ++m_batch;
}

void RichEditLayout::endBatch()
{
    if (m_batch > 0 && --m_batch == 0)
        flushReport();
}

void RichEditLayout::documentChanged(int from, int /*charsRemoved*/, int charsAdded)
{
    QTextDocument* doc = document();
    if (doc->pageSize().isNull())
        return;
    const int blocks = doc->blockCount();
    const qreal pageWidth = width();
    const int length = doc->characterCount();
    const QSizeF oldSize = documentSize();
    // A new width, a new text or a new default font: everything again.
    const bool full = pageWidth != m_lastWidth || (from == 0 && charsAdded >= length - 1);
    m_lastWidth = pageWidth;
    m_heights.setFresh(fixed(qCeil(QFontMetricsF(doc->defaultFont()).height())));

    if (full) {
        if (m_heights.paragraphCount() == blocks)
            m_heights.markAllUnknown();
        else
            m_heights.reset(blocks);
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
            b.clearLayout();
        m_measures.clear();
        m_widest = 0;
        Q_EMIT documentSizeChanged(documentSize());
        Q_EMIT update(QRectF(0, 0, qreal(INT_MAX), qreal(INT_MAX)));
        return;
    }

    const int delta = blocks - m_heights.paragraphCount();
    const QTextBlock first = doc->findBlock(from);
    QTextBlock last = doc->findBlock(from + charsAdded);
    if (!last.isValid())
        last = doc->lastBlock();
    const int b0 = first.isValid() ? first.blockNumber() : 0;
    const int newCount = last.blockNumber() - b0 + 1;
    const int oldCount = newCount - delta;
    if (oldCount < 1 || b0 + oldCount > m_heights.paragraphCount()) {
        documentChanged(0, 0, length);
        return;
    }
    const qint64 before = m_heights.lineCount();
    m_heights.replace(b0, oldCount, newCount);
    const bool now = newCount <= kSyncBlocks;
    QTextBlock block = first.isValid() ? first : doc->firstBlock();
    for (int n = b0; n < b0 + newCount && block.isValid(); ++n, block = block.next()) {
        if (now)
            layBlock(block, n);
        else
            block.clearLayout();
    }
    // The paragraph after the edit: its top margin follows the one before it.
    if (block.isValid() && m_heights.isKnown(b0 + newCount))
        layBlock(block, b0 + newCount);

    const qreal updateTop = blockTop(b0);
    const bool moved = m_heights.lineCount() != before || !now || oldCount != newCount;
    const qreal updateBottom = moved ? qreal(INT_MAX) : blockTop(std::min(b0 + newCount + 1, blocks));
    if (documentSize() != oldSize)
        Q_EMIT documentSizeChanged(documentSize());
    Q_EMIT update(QRectF(0, updateTop, qreal(INT_MAX), updateBottom - updateTop));
}

QSizeF RichEditLayout::documentSize() const
{
    const Frame frame = rootFrame(document());
    qreal right = std::max<qreal>(0, width());
    if (unwrapped())
        right = std::max(right, m_widest + real(frame.bottom));  // the frame's margin on the right as below
    return QSizeF(right, real(qint64(frame.top) + m_heights.lineCount() + frame.bottom));
}

QRectF RichEditLayout::frameBoundingRect(QTextFrame* frame) const
{
    if (frame != document()->rootFrame())
        return {};
    return QRectF(QPointF(0, 0), documentSize());
}

QRectF RichEditLayout::blockBoundingRect(const QTextBlock& block) const
{
    if (!block.isValid() || block.document() != document())
        return {};
    ensureLaidOut(block);
    const QTextLayout* layout = block.layout();
    QRectF rect = layout->boundingRect();
    rect.moveTopLeft(layout->position());
    return rect;
}

namespace {

enum class Hit { Before, After, Inside, Exact };

// One laid-out paragraph against a point, by the rules of Qt's layout.
Hit hitBlock(const QTextBlock& block, const QPointF& point, int* position, Qt::HitTestAccuracy accuracy)
{
    const QTextLayout* layout = block.layout();
    const QRectF rect = layout->boundingRect().translated(layout->position());
    *position = block.position();
    if (point.y() < rect.top() - block.blockFormat().topMargin())
        return Hit::Before;
    if (point.y() > rect.bottom()) {
        *position += block.length();
        return Hit::After;
    }
    const QPointF pos = point - layout->position();
    Hit hit = Hit::Inside;
    int offset = 0;
    for (int i = 0; i < layout->lineCount(); ++i) {
        const QTextLine line = layout->lineAt(i);
        const QRectF lineRect = line.naturalTextRect();
        if (lineRect.top() > pos.y()) {
            offset = std::min(offset, line.textStart());
        } else if (lineRect.bottom() <= pos.y()) {
            offset = std::max(offset, line.textStart() + line.textLength());
        } else {
            if (lineRect.left() <= pos.x() && lineRect.right() >= pos.x())
                hit = Hit::Exact;
            offset = line.xToCursor(pos.x(), accuracy == Qt::ExactHit ? QTextLine::CursorOnCharacter
                                                                      : QTextLine::CursorBetweenCharacters);
            break;
        }
    }
    *position += offset;
    return hit;
}

}  // namespace

void drawListMarker(QPainter* painter, const QAbstractTextDocumentLayout::PaintContext& context,
                    const QTextBlock& block, const QTextCharFormat* selection, const QPaintDevice* device)
{
    QTextList* list = block.textList();
    const QTextLayout* layout = block.layout();
    if (!list || !layout || layout->lineCount() == 0)
        return;
    const QTextBlockFormat blockFormat = block.blockFormat();
    int style = list->format().style();
    if (blockFormat.hasProperty(QTextFormat::ListStyle))
        style = blockFormat.intProperty(QTextFormat::ListStyle);
    const QTextCharFormat charFormat = QTextCursor(block).charFormat();
    QFont font = charFormat.font();
    if (device)
        font = QFont(font, device);
    const QFontMetrics metrics(font);

    const Qt::LayoutDirection direction = block.textDirection();
    QPointF at = layout->position().toPoint();
    const QRectF first = layout->lineAt(0).naturalTextRect();
    at += first.topLeft().toPoint();
    if (direction == Qt::RightToLeft)
        at.rx() += first.width();

    QString label;
    QSizeF size;
    switch (style) {
    case QTextListFormat::ListDecimal:
    case QTextListFormat::ListLowerAlpha:
    case QTextListFormat::ListUpperAlpha:
    case QTextListFormat::ListLowerRoman:
    case QTextListFormat::ListUpperRoman:
        label = listItemLabel(block);
        size = QSizeF(metrics.horizontalAdvance(label), metrics.height());
        break;
    case QTextListFormat::ListSquare:
    case QTextListFormat::ListCircle:
    case QTextListFormat::ListDisc:
        // A bullet of the file's own is drawn as the character it is.
        if (list->format().hasProperty(textprop::ListBullet)) {
            label = listBullet(list->format());
            size = QSizeF(metrics.horizontalAdvance(label), metrics.height());
            style = QTextListFormat::ListDecimal;
            break;
        }
        size = QSizeF(metrics.lineSpacing() / 3, metrics.lineSpacing() / 3);
        break;
    default:
        return;
    }
    QRectF box(at, size);
    qreal gap = metrics.horizontalAdvance(QLatin1Char(' '));
    if (direction == Qt::LeftToRight)
        gap = -gap - size.width();
    box.translate(gap, metrics.height() / 2 - size.height() / 2);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    if (selection) {
        painter->setPen(QPen(selection->foreground(), 0));
        painter->fillRect(box, selection->background());
    } else {
        QBrush ink = charFormat.foreground();
        if (ink == Qt::NoBrush)
            ink = context.palette.text();
        painter->setPen(QPen(ink, 0));
    }
    const QBrush text = context.palette.brush(QPalette::Text);
    switch (style) {
    case QTextListFormat::ListSquare: painter->fillRect(box, text); break;
    case QTextListFormat::ListCircle:
        painter->setPen(QPen(text, 0));
        painter->drawEllipse(box.translated(0.5, 0.5));
        break;
    case QTextListFormat::ListDisc:
        painter->setBrush(text);
        painter->setPen(Qt::NoPen);
        painter->drawEllipse(box);
        break;
    default: {
        QTextLayout number(label, font, const_cast<QPaintDevice*>(device));
        number.setCacheEnabled(true);
        QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
        option.setTextDirection(direction);
        number.setTextOption(option);
        number.beginLayout();
        QTextLine line = number.createLine();
        if (line.isValid())
            line.setLeadingIncluded(true);
        number.endLayout();
        number.draw(painter, QPointF(box.left(), at.y()));
        break;
    }
    }
    painter->restore();
}

int RichEditLayout::hitTest(const QPointF& point, Qt::HitTestAccuracy accuracy) const
{
    const QTextDocument* doc = document();
    const QPointF at(real(fixed(point.x())), real(fixed(point.y())));
    // The paragraphs around the point's slot decide, as the walk from the
    // top would in Qt's layout: the first one hit inside, else the furthest
    // one passed.
    QTextBlock block = blockAtY(at.y());
    for (int n = 0; n < 2 && block.previous().isValid(); ++n)
        block = block.previous();
    int position = 0;
    Hit hit = Hit::Before;
    const QTextLayout* layout = nullptr;
    for (int n = 0; n < 5 && block.isValid(); ++n, block = block.next()) {
        ensureLaidOut(block);
        if (!block.isVisible())
            continue;
        int pos = -1;
        const Hit h = hitBlock(block, at, &pos, accuracy);
        if (h >= Hit::Inside) {
            hit = h;
            position = pos;
            layout = block.layout();
            break;
        }
        if ((h == Hit::Before && pos < position) || (h == Hit::After && pos > position)) {
            position = pos;
            hit = h;
        }
    }
    if (accuracy == Qt::ExactHit && hit < Hit::Exact)
        return -1;
    int limit = doc->rootFrame()->lastPosition();
    if (layout && !layout->preeditAreaText().isEmpty())
        limit += int(layout->preeditAreaText().length());
    return std::clamp(position, 0, limit);
}

void RichEditLayout::draw(QPainter* painter, const PaintContext& context)
{
    const QSizeF size = documentSize();
    const QRectF frameRect(QPointF(0, 0), size);
    const QRectF clip = context.clip.isValid() ? context.clip & frameRect : frameRect;
    if (clip.isEmpty() && context.clip.isValid())
        return;
    const QPen oldPen = painter->pen();
    painter->setPen(context.palette.color(QPalette::Text));
    m_painting = true;
    for (QTextBlock block = blockAtY(clip.top()); block.isValid(); block = block.next()) {
        const int number = block.blockNumber();
        if (blockTop(number) > clip.bottom())
            break;
        ensureLaidOut(block);
        if (!block.isVisible())
            continue;
        QTextLayout* layout = block.layout();
        const int start = block.position();
        const int length = block.length();
        QList<QTextLayout::FormatRange> selections;
        if (m_decorator)
            m_decorator->decorate(block, selections);
        const QTextCharFormat* markerSelection = nullptr;
        for (const Selection& range : context.selections) {
            const int selStart = range.cursor.selectionStart() - start;
            const int selEnd = range.cursor.selectionEnd() - start;
            if (selStart < 0 && selEnd >= 1)
                markerSelection = &range.format;
            if (selStart < length && selEnd > 0 && selEnd > selStart) {
                selections.append({selStart, selEnd - selStart, range.format});
            } else if (!range.cursor.hasSelection() && range.format.hasProperty(QTextFormat::FullWidthSelection)
                       && block.contains(range.cursor.position())) {
                const QTextLine line = layout->lineForTextPosition(range.cursor.position() - start);
                QTextLayout::FormatRange o{line.textStart(), line.textLength(), range.format};
                if (o.start + o.length == length - 1)
                    ++o.length;
                selections.append(o);
            }
        }
        if (block.textList())
            drawListMarker(painter, context, block, markerSelection, paintDevice());
        layout->draw(painter, QPointF(), selections, clip);
        int cursor = context.cursorPosition;
        const bool preedit = cursor < -1 && !layout->preeditAreaText().isEmpty();
        if ((cursor >= start && cursor < start + length) || preedit) {
            cursor = preedit ? layout->preeditAreaPosition() - (cursor + 2) : cursor - start;
            layout->drawCursor(painter, QPointF(), cursor, m_cursorWidth);
        }
    }
    painter->setPen(oldPen);
    m_painting = false;
}

}  // namespace qp
