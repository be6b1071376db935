#include "platform/DocumentText.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

#include <algorithm>

namespace qp {

QString listLabel(const QTextBlock& block)
{
    const QTextList* list = block.textList();
    if (!list)
        return {};
    switch (list->format().style()) {
    case QTextListFormat::ListDisc: return QStringLiteral("\u2022");
    case QTextListFormat::ListCircle: return QStringLiteral("\u25E6");
    case QTextListFormat::ListSquare: return QStringLiteral("\u25AA");
    case QTextListFormat::ListStyleUndefined: return {};
    default: return list->itemText(block);
    }
}

QString plainTextOf(const QTextDocument& doc)
{
    return plainTextOf(doc, 0, doc.characterCount() - 1);
}

QString plainTextOf(const QTextDocument& doc, int from, int to)
{
    QString text;
    if (from >= to)
        return text;
    text.reserve(to - from);
    for (QTextBlock block = doc.findBlock(from); block.isValid() && block.position() < to; block = block.next()) {
        if (block.position() >= from) {
            const QString label = listLabel(block);
            if (!label.isEmpty())
                text += label + QLatin1Char('\t');
        }
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.charFormat().isImageFormat())
                continue;
            const int start = std::max(from, fragment.position());
            const int end = std::min(to, fragment.position() + fragment.length());
            if (start < end)
                text += fragment.text().mid(start - fragment.position(), end - start);
        }
        const int separator = block.position() + block.length() - 1;
        if (separator >= from && separator < to && block.next().isValid())
            text += QLatin1Char('\n');
    }
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

}  // namespace qp
