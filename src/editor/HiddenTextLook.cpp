#include "editor/HiddenTextLook.h"

#include "rtf/RtfTextProperties.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtGui/private/qtextengine_p.h>

#include <algorithm>

namespace qp {

namespace {

// Letters of a tenth of a point that advance a hundredth of their width
// take no room on a line and add nothing to its height.
QTextCharFormat hiddenLook()
{
    QTextCharFormat look;
    look.setFontPointSize(0.1);
    look.setFontLetterSpacingType(QFont::PercentageSpacing);
    look.setFontLetterSpacing(1);
    look.setFontWordSpacing(0);
    look.setForeground(Qt::transparent);
    look.setBackground(Qt::transparent);
    look.setFontUnderline(false);
    look.setFontStrikeOut(false);
    look.setFontOverline(false);
    return look;
}

bool sameRanges(const QList<QTextLayout::FormatRange>& a, const QList<QTextLayout::FormatRange>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.start == y.start && x.length == y.length && x.format == y.format;
    });
}

}  // namespace

bool hasHiddenText(const QTextDocument* document)
{
    const QList<QTextFormat> formats = document->allFormats();
    return std::any_of(formats.begin(), formats.end(), [](const QTextFormat& f) { return isHiddenText(f); });
}

void lookUpHiddenText(const QTextBlock& block)
{
    QTextLayout* layout = block.layout();
    if (!layout)
        return;
    static const QTextCharFormat look = hiddenLook();
    bool any = false;
    bool allHidden = true;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const bool hidden = isHiddenText(it.fragment().charFormat());
        any = any || hidden;
        allHidden = allHidden && hidden;
    }
    QList<QTextLayout::FormatRange> ranges;
    if (any) {
        // A paragraph of hidden text alone still shows as an empty line, as
        // tall as its paragraph mark.
        QTextCharFormat emptyLine = look;
        if (allHidden) {
            const QTextCharFormat mark = block.charFormat();
            const QFont font = block.document()->defaultFont();
            if (mark.hasProperty(QTextFormat::FontPointSize))
                emptyLine.setFontPointSize(mark.fontPointSize());
            else if (font.pointSizeF() > 0)
                emptyLine.setFontPointSize(font.pointSizeF());
            else
                emptyLine.setProperty(QTextFormat::FontPixelSize, font.pixelSize());
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!isHiddenText(format))
                continue;
            QTextCharFormat runLook = allHidden ? emptyLine : look;
            // A size in pixels would win over the tenth of a point.
            if (format.hasProperty(QTextFormat::FontPixelSize) && !allHidden)
                runLook.setProperty(QTextFormat::FontPixelSize, 1);
            ranges.append({fragment.position() - block.position(), fragment.length(), runLook});
        }
    }
    // Through the engine: the layout's own setter would report the paragraph
    // as changed text.
    if (!sameRanges(ranges, layout->formats()))
        layout->engine()->setFormats(ranges);
}

}  // namespace qp
