#include "rtf/RtfParser.h"

#include <QRegularExpression>

// The field instructions the reader understands.

namespace qp::rtfread {

namespace {

// A field instruction's words: quoted texts as one word without the quotes.
QStringList instructionWords(const QString& instruction)
{
    static const QRegularExpression word(QStringLiteral(R"re("([^"]*)"|(\S+))re"));
    QStringList words;
    for (auto it = word.globalMatch(instruction); it.hasNext();) {
        const auto m = it.next();
        words << (m.capturedStart(1) >= 0 ? m.captured(1) : m.captured(2));
    }
    return words;
}

}  // namespace

QString hyperlinkTarget(const QString& instruction)
{
    static const QRegularExpression word(QStringLiteral(R"re("([^"]*)"|(\S+))re"));
    auto it = word.globalMatch(instruction);
    if (!it.hasNext() || it.next().captured(2).compare(QLatin1String("HYPERLINK"), Qt::CaseInsensitive) != 0)
        return {};
    QString url;
    QString fragment;
    bool nextIsFragment = false;
    bool nextIsArgument = false;
    while (it.hasNext()) {
        const auto m = it.next();
        const bool quoted = m.capturedLength(1) > 0 || m.captured(0) == QLatin1String("\"\"");
        const QString value = quoted ? m.captured(1) : m.captured(2);
        if (!quoted && value.startsWith(QLatin1Char('\\'))) {
            nextIsFragment = (value == QLatin1String("\\l"));
            nextIsArgument = !nextIsFragment && value.size() == 2 && QStringLiteral("otm").contains(value.at(1));
            continue;
        }
        if (nextIsFragment)
            fragment = value;
        else if (!nextIsArgument && url.isEmpty())
            url = value;
        nextIsFragment = nextIsArgument = false;
    }
    if (!fragment.isEmpty())
        url += QLatin1Char('#') + fragment;
    return url;
}

std::optional<SymbolField> symbolField(const QString& instruction)
{
    const QStringList words = instructionWords(instruction);
    if (words.size() < 2 || words.first().compare(QLatin1String("SYMBOL"), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    SymbolField field;
    bool ok = false;
    const QString& number = words.at(1);
    if (number.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        field.code = number.mid(2).toUInt(&ok, 16);
    else
        field.code = number.toUInt(&ok);
    if (!ok || field.code == 0 || field.code > 0x10FFFF)
        return std::nullopt;
    for (qsizetype i = 2; i < words.size(); ++i) {
        const QString& w = words.at(i);
        if (w.compare(QLatin1String("\\f"), Qt::CaseInsensitive) == 0 && i + 1 < words.size())
            field.font = words.at(++i).left(kMaxFontName);
        else if (w.compare(QLatin1String("\\u"), Qt::CaseInsensitive) == 0)
            field.encoding = SymbolField::Encoding::Unicode;
        else if (w.compare(QLatin1String("\\j"), Qt::CaseInsensitive) == 0)
            field.encoding = SymbolField::Encoding::ShiftJis;
        else if (w.compare(QLatin1String("\\s"), Qt::CaseInsensitive) == 0)
            ++i;  // a size in points; the text around it decides
    }
    return field;
}

}  // namespace qp::rtfread
