#include "rtf/RtfTextProperties.h"

#include <QTextBlock>
#include <QTextList>

namespace qp {

int listStart(const QTextListFormat& format)
{
    return format.hasProperty(textprop::ListStart) ? format.intProperty(textprop::ListStart) : 1;
}

QString listBullet(const QTextListFormat& format)
{
    const QString own = format.stringProperty(textprop::ListBullet);
    switch (format.style()) {
    case QTextListFormat::ListDisc: return own.isEmpty() ? QStringLiteral("\u2022") : own;
    case QTextListFormat::ListCircle: return own.isEmpty() ? QStringLiteral("\u25E6") : own;
    case QTextListFormat::ListSquare: return own.isEmpty() ? QStringLiteral("\u25AA") : own;
    default: return {};
    }
}

QString listNumberText(int number, QTextListFormat::Style style)
{
    switch (style) {
    case QTextListFormat::ListLowerAlpha:
    case QTextListFormat::ListUpperAlpha: {
        if (number <= 0)
            return QString::number(number);
        // a..z, then aa, ab, as spreadsheet columns count
        QString letters;
        const char16_t base = style == QTextListFormat::ListUpperAlpha ? u'A' : u'a';
        for (int n = number; n > 0; n = (n - 1) / 26)
            letters.prepend(QChar(char16_t(base + (n - 1) % 26)));
        return letters;
    }
    case QTextListFormat::ListLowerRoman:
    case QTextListFormat::ListUpperRoman: {
        if (number <= 0 || number >= 4000)
            return QString::number(number);
        static const struct {
            int value;
            const char* digits;
        } kRoman[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"}, {100, "c"}, {90, "xc"}, {50, "l"},
                      {40, "xl"},  {10, "x"},   {9, "ix"},  {5, "v"},    {4, "iv"},  {1, "i"}};
        QString roman;
        int n = number;
        for (const auto& step : kRoman) {
            for (; n >= step.value; n -= step.value)
                roman += QLatin1String(step.digits);
        }
        return style == QTextListFormat::ListUpperRoman ? roman.toUpper() : roman;
    }
    default: return QString::number(number);
    }
}

QString listItemLabel(const QTextBlock& block)
{
    const QTextList* list = block.textList();
    if (!list)
        return {};
    const QTextListFormat format = list->format();
    switch (format.style()) {
    case QTextListFormat::ListDisc:
    case QTextListFormat::ListCircle:
    case QTextListFormat::ListSquare: return listBullet(format);
    case QTextListFormat::ListStyleUndefined: return {};
    default: break;
    }
    const int index = list->itemNumber(block);
    if (index < 0)
        return {};
    const QString suffix = format.hasProperty(QTextFormat::ListNumberSuffix) ? format.numberSuffix() : QStringLiteral(".");
    return format.numberPrefix() + listNumberText(listStart(format) + index, format.style()) + suffix;
}

}  // namespace qp
