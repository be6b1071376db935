#pragma once

#include <QString>
#include <QTextFormat>

class QTextBlock;

// What the codec keeps in a document beyond Qt's own formats, and what the
// editor and the writer read back from it.

namespace qp {

namespace textprop {
// On a character format: hidden text. It stays in the document and in the
// file, but is not shown, exported as text or counted.
constexpr int Hidden = QTextFormat::UserProperty + 0x5100;
// On a list format: the number of the list's first item, when not 1.
constexpr int ListStart = QTextFormat::UserProperty + 0x5101;
// On a list format: the bullet character, when it is not the style's own.
constexpr int ListBullet = QTextFormat::UserProperty + 0x5102;
}  // namespace textprop

inline bool isHiddenText(const QTextFormat& format)
{
    return format.boolProperty(textprop::Hidden);
}

// The number of a list's first item.
int listStart(const QTextListFormat& format);
// The bullet a bullet list shows ("•", "◦", "▪" or the list's own), or an
// empty string for a numbered list.
QString listBullet(const QTextListFormat& format);
// A number in a list style: "7", "d", "IV".
QString listNumberText(int number, QTextListFormat::Style style);

// The label a list paragraph shows, as text: the number or letter with its
// punctuation ("3.", "b)") counted from the list's start, or the bullet;
// empty for other paragraphs.
QString listItemLabel(const QTextBlock& block);

}  // namespace qp
