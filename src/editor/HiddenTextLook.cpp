#include "editor/HiddenTextLook.h"

#include "rtf/RtfTextProperties.h"

#include <QTextBlock>
#include <QTextDocument>

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

}  // namespace

// No parent: given an editor, Qt would attach the highlighter to its
// document at once, hidden text or not.
HiddenTextLook::HiddenTextLook() : QSyntaxHighlighter(static_cast<QObject*>(nullptr)) {}

bool HiddenTextLook::hasHiddenText(const QTextDocument* document)
{
    const QList<QTextFormat> formats = document->allFormats();
    return std::any_of(formats.begin(), formats.end(), [](const QTextFormat& f) { return isHiddenText(f); });
}

void HiddenTextLook::watch(QTextDocument* doc)
{
    QTextDocument* wanted = doc && hasHiddenText(doc) ? doc : nullptr;
    if (wanted != document())
        setDocument(wanted);
}

void HiddenTextLook::highlightBlock(const QString& text)
{
    Q_UNUSED(text);
    const QTextBlock block = currentBlock();
    static const QTextCharFormat look = hiddenLook();
    bool allHidden = true;
    for (auto it = block.begin(); !it.atEnd() && allHidden; ++it)
        allHidden = isHiddenText(it.fragment().charFormat());
    // A paragraph of hidden text alone still shows as an empty line, as tall
    // as its paragraph mark.
    QTextCharFormat emptyLine = look;
    if (allHidden) {
        const QTextCharFormat mark = block.charFormat();
        const QFont font = document()->defaultFont();
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
        setFormat(fragment.position() - block.position(), fragment.length(), runLook);
    }
}

}  // namespace qp
