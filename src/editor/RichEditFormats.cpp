#include "editor/RichEdit.h"

#include "editor/DocumentText.h"
#include "editor/EditBlock.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextList>

#include <algorithm>

// Character and paragraph attributes of the selection.

namespace qp {

namespace {

// Paragraph lengths: the document keeps them in 1/96 inch, the program in points.
constexpr qreal kPixelsPerPoint = 96.0 / 72.0;

QFont resolvedFont(const QTextCharFormat& format, const QFont& base)
{
    return format.font().resolve(base);
}

qreal pointSize(const QFont& font, const QWidget* widget)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    return font.pixelSize() * 72.0 / widget->logicalDpiY();
}

FontStyles stylesOf(const QFont& font)
{
    FontStyles styles;
    styles.setFlag(FontStyle::Bold, font.weight() > QFont::Medium);
    styles.setFlag(FontStyle::Italic, font.italic());
    styles.setFlag(FontStyle::Underline, font.underline());
    styles.setFlag(FontStyle::StrikeOut, font.strikeOut());
    return styles;
}

QColor colorOf(const QTextCharFormat& format)
{
    // No brush is the automatic colour, as the painter and the RTF writer take it.
    return format.foreground().style() != Qt::NoBrush ? format.foreground().color() : QColor();
}

}  // namespace

CharFormat RichEdit::selectionCharFormat() const
{
    const QFont base = document()->defaultFont();
    const QTextCursor cursor = textCursor();
    CharFormat result;
    result.uniform = CharAttributes(0x7F);

    auto describe = [&](const QTextCharFormat& format) {
        const QFont font = resolvedFont(format, base);
        CharFormat f;
        f.fontName = font.family();
        f.sizePoints = pointSize(font, this);
        f.styles = stylesOf(font);
        f.color = colorOf(format);
        return f;
    };

    if (!cursor.hasSelection()) {
        const CharFormat f = describe(currentCharFormat());
        result.fontName = f.fontName;
        result.sizePoints = f.sizePoints;
        result.styles = f.styles;
        result.color = f.color;
        return result;
    }

    bool first = true;
    // Asked after every command, also with the whole of a long text
    // selected: each format is looked at once.
    const QList<QTextFormat> formats = document()->allFormats();
    QSet<int> seen;
    forEachTextRun(*document(), cursor.selectionStart(), cursor.selectionEnd(), [&](int, QStringView run, int index) {
        if (seen.contains(index))
            return;
        // Paragraph breaks carry the paragraph's format, not the text's.
        if (std::all_of(run.begin(), run.end(), [](QChar c) { return c == QChar::ParagraphSeparator; }))
            return;
        seen.insert(index);
        const CharFormat f = describe(formats.at(index).toCharFormat());
        if (first) {
            result.fontName = f.fontName;
            result.sizePoints = f.sizePoints;
            result.styles = f.styles;
            result.color = f.color;
            first = false;
            return;
        }
        result.uniform.setFlag(CharAttribute::Name, result.uniform.testFlag(CharAttribute::Name) && f.fontName == result.fontName);
        result.uniform.setFlag(CharAttribute::Size, result.uniform.testFlag(CharAttribute::Size) && qFuzzyCompare(f.sizePoints, result.sizePoints));
        for (const auto& [style, attribute] : {std::pair{FontStyle::Bold, CharAttribute::Bold},
                                              std::pair{FontStyle::Italic, CharAttribute::Italic},
                                              std::pair{FontStyle::Underline, CharAttribute::Underline},
                                              std::pair{FontStyle::StrikeOut, CharAttribute::StrikeOut}}) {
            result.uniform.setFlag(attribute, result.uniform.testFlag(attribute) &&
                                                  f.styles.testFlag(style) == result.styles.testFlag(style));
        }
        result.uniform.setFlag(CharAttribute::Color, result.uniform.testFlag(CharAttribute::Color) && f.color == result.color);
    });
    if (first) {  // only paragraph breaks selected
        const CharFormat f = describe(cursor.charFormat());
        result.fontName = f.fontName;
        result.sizePoints = f.sizePoints;
        result.styles = f.styles;
        result.color = f.color;
    }
    return result;
}

void RichEdit::setSelectionCharFormat(const CharFormat& format, CharAttributes which)
{
    QTextCharFormat f;
    // An empty name (a face name being typed afresh) keeps the face.
    if (which.testFlag(CharAttribute::Name) && !format.fontName.isEmpty())
        f.setFontFamilies(QStringList{format.fontName});
    if (which.testFlag(CharAttribute::Size))
        f.setFontPointSize(std::max<qreal>(1, format.sizePoints));
    if (which.testFlag(CharAttribute::Bold))
        f.setFontWeight(format.styles.testFlag(FontStyle::Bold) ? QFont::Bold : QFont::Normal);
    if (which.testFlag(CharAttribute::Italic))
        f.setFontItalic(format.styles.testFlag(FontStyle::Italic));
    if (which.testFlag(CharAttribute::Underline))
        f.setFontUnderline(format.styles.testFlag(FontStyle::Underline));
    if (which.testFlag(CharAttribute::StrikeOut))
        f.setFontStrikeOut(format.styles.testFlag(FontStyle::StrikeOut));
    if (which.testFlag(CharAttribute::Color))
        f.setForeground(format.color.isValid() ? QBrush(format.color) : QBrush());
    mergeCurrentCharFormat(f);
}

ParagraphFormat RichEdit::selectionParagraphFormat() const
{
    const QTextCursor cursor = textCursor();
    QTextCursor first(document());
    // Asked from a focus or selection notification in the middle of an undo,
    // the cursor may not have settled yet.
    first.setPosition(std::clamp(cursor.selectionStart(), 0, document()->characterCount() - 1));
    const QTextBlockFormat format = first.blockFormat();
    ParagraphFormat result;
    const Qt::Alignment align = format.alignment() & Qt::AlignHorizontal_Mask;
    if (align & Qt::AlignRight)
        result.alignment = ParagraphAlignment::Right;
    else if (align & Qt::AlignHCenter)
        result.alignment = ParagraphAlignment::Center;
    result.firstIndent = (format.leftMargin() + format.textIndent()) / kPixelsPerPoint;
    result.leftIndent = -format.textIndent() / kPixelsPerPoint;
    result.rightIndent = format.rightMargin() / kPixelsPerPoint;
    result.bullet = first.currentList() != nullptr;
    const QList<QTextOption::Tab> tabs = format.tabPositions();
    for (const QTextOption::Tab& tab : tabs)
        result.tabStops.append(tab.position / kPixelsPerPoint);
    return result;
}

void RichEdit::setSelectionParagraphFormat(const ParagraphFormat& format, ParagraphAttributes which)
{
    if (isReadOnly())
        return;
    QTextCursor cursor = textCursor();
    EditBlock edit(cursor);
    const QTextBlock firstBlock = document()->findBlock(cursor.selectionStart());
    const QTextBlock lastBlock = document()->findBlock(cursor.selectionEnd());
    for (QTextBlock block = firstBlock; block.isValid(); block = block.next()) {
        QTextBlockFormat f = block.blockFormat();
        if (which.testFlag(ParagraphAttribute::Alignment)) {
            f.setAlignment(format.alignment == ParagraphAlignment::Right    ? Qt::AlignRight
                           : format.alignment == ParagraphAlignment::Center ? Qt::AlignHCenter
                                                                            : Qt::AlignLeft);
        }
        qreal firstIndent = (f.leftMargin() + f.textIndent()) / kPixelsPerPoint;
        qreal leftIndent = -f.textIndent() / kPixelsPerPoint;
        if (which.testFlag(ParagraphAttribute::FirstIndent))
            firstIndent = format.firstIndent;
        if (which.testFlag(ParagraphAttribute::LeftIndent))
            leftIndent = format.leftIndent;
        if (which & (ParagraphAttribute::FirstIndent | ParagraphAttribute::LeftIndent)) {
            // Text cannot start left of the edge: a first line asked to go
            // further stops there, and the other lines still move with it
            // as far as the edge allows.
            const qreal otherLines = std::max<qreal>(0, firstIndent + leftIndent);
            firstIndent = std::max<qreal>(0, firstIndent);
            leftIndent = otherLines - firstIndent;
            f.setLeftMargin((firstIndent + leftIndent) * kPixelsPerPoint);
            f.setTextIndent(-leftIndent * kPixelsPerPoint);
        }
        if (which.testFlag(ParagraphAttribute::RightIndent))
            f.setRightMargin(std::max<qreal>(0, format.rightIndent) * kPixelsPerPoint);
        if (which.testFlag(ParagraphAttribute::TabStops)) {
            QList<QTextOption::Tab> tabs;
            for (const qreal stop : format.tabStops) {
                if (stop > 0)
                    tabs.append(QTextOption::Tab(stop * kPixelsPerPoint, QTextOption::LeftTab));
            }
            f.setTabPositions(tabs);
        }
        QTextCursor blockCursor(block);
        blockCursor.setBlockFormat(f);
        if (which.testFlag(ParagraphAttribute::Bullet)) {
            QTextList* list = block.textList();
            if (format.bullet && !list) {
                blockCursor.createList(QTextListFormat::ListDisc);
            } else if (!format.bullet && list) {
                list->remove(block);
                QTextBlockFormat plain = block.blockFormat();
                plain.setIndent(0);
                blockCursor.setBlockFormat(plain);
            }
        }
        if (block == lastBlock)
            break;
    }
}

// ---------------------------------------------------------------- default font

QString RichEdit::defaultFontName() const
{
    return document()->defaultFont().family();
}

qreal RichEdit::defaultFontSize() const
{
    return pointSize(document()->defaultFont(), this);
}

void RichEdit::setDefaultFontName(const QString& name)
{
    if (name.isEmpty())
        return;
    QFont f = document()->defaultFont();
    f.setFamilies(QStringList{name});
    setFont(f);
}

void RichEdit::setDefaultFontSize(qreal points)
{
    QFont f = document()->defaultFont();
    f.setPointSizeF(std::max<qreal>(1, points));
    setFont(f);
}

}  // namespace qp
