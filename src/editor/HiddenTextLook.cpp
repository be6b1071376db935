#include "editor/HiddenTextLook.h"

#include "rtf/RtfTextProperties.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace qp {

namespace {

// A one-pixel font whose letters advance a hundredth of their width takes
// under a pixel for a line of text and adds nothing to the line's height.
QTextCharFormat hiddenLook()
{
    QTextCharFormat look;
    look.setFontPointSize(1);
    look.setProperty(QTextFormat::FontPixelSize, 1);
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
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (isHiddenText(fragment.charFormat()))
            setFormat(fragment.position() - block.position(), fragment.length(), look);
    }
}

}  // namespace qp
