#include "editing/Tools_Editor.h"

#include "editor/PlainText.h"

#include <QLocale>

#include <algorithm>

namespace qp {

namespace {

enum class Case { Upper, Lower };

// Change Case looks for the first letter among this many characters.
constexpr qsizetype CaseSearchLength = 20;

// Enter-key aids: what is carried over and where markers are looked for.
constexpr qsizetype MaxIndentSpaces = 16;
constexpr qsizetype MaxIndentTabs = 8;
constexpr qsizetype MarkerSearchLength = 8;
constexpr qsizetype MaxNumberDigits = 3;

const QChar Tab{u'\t'};
const QChar Dash{u'-'};
const QChar Period{u'.'};

QString convert(const QLocale& locale, const QString& text, Case to)
{
    return to == Case::Upper ? locale.toUpper(text) : locale.toLower(text);
}

QString convertKeepingLength(const QString& text, Case to)
{
    const QLocale locale;
    QString whole = convert(locale, text, to);
    if (whole.size() == text.size())
        return whole;
    // The 8-bit character set has no two-letter case forms: characters whose
    // mapping would grow keep their own form.
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype n = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        const QString unit = text.mid(i, n);
        const QString mapped = convert(locale, unit, to);
        result += mapped.size() == n ? mapped : unit;
        i += n;
    }
    return result;
}

// A character, or the empty string beyond the text's end, is lower when
// lowering it changes nothing; so non-letters count as lower.
bool isLower(const QString& c)
{
    return toLowerCase(c) == c;
}

// The run of `c` at the start of `line`, at most `limit` long.
qsizetype leadingRun(const QString& line, QChar c, qsizetype limit)
{
    qsizetype n = 0;
    while (n < line.size() && n < limit && line.at(n) == c)
        ++n;
    return n;
}

bool isBullet(QChar c)
{
    return windows1252Code(c) == 149;
}

// How many of the first few characters of the line are a marker followed by a tab.
qsizetype countMarkers(const QString& line, bool (*isMarker)(QChar))
{
    const qsizetype last = std::min(MarkerSearchLength, line.size());
    qsizetype count = 0;
    for (qsizetype i = 0; i < last; ++i) {
        if (isMarker(line.at(i)) && i + 1 < line.size() && line.at(i + 1) == Tab)
            ++count;
    }
    return count;
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// The number after the line's own, read at `readAt` once its digits are
// counted in the characters that can hold it; 0 when there is none to continue.
int nextNumber(const QString& line, qsizetype prefixLength, qsizetype readAt)
{
    const QString head = line.left(prefixLength + MaxNumberDigits);
    const qsizetype digits = std::count_if(head.cbegin(), head.cend(), isDigit);
    if (digits < 1 || digits > MaxNumberDigits)
        return 0;
    // Markers before the number take two characters each but count once, so
    // the number may not stand where it is read; then there is no number.
    if (readAt + digits > line.size())
        return 0;
    const QString number = line.mid(readAt, digits);
    if (!std::all_of(number.cbegin(), number.cend(), isDigit))
        return 0;
    // Four digits or more are not a number of the list.
    if (readAt + digits < line.size() && isDigit(line.at(readAt + digits)))
        return 0;
    return number.toInt() + 1;
}

}  // namespace

bool isEditorLetter(QChar c)
{
    const int code = windows1252Code(c);
    return (code >= 65 && code <= 90) || (code >= 97 && code <= 122) || (code >= 128 && code <= 154)
        || (code >= 160 && code <= 165) || (code >= 192 && code <= 255);
}

QString toUpperCase(const QString& text)
{
    return convertKeepingLength(text, Case::Upper);
}

QString toLowerCase(const QString& text)
{
    return convertKeepingLength(text, Case::Lower);
}

QString changeCase(const QString& text)
{
    const qsizetype searched = std::min(CaseSearchLength, text.size());
    qsizetype p = CaseSearchLength;  // 0-based; past the searched characters when none is a letter
    for (qsizetype i = 0; i < searched; ++i) {
        if (isEditorLetter(text.at(i))) {
            p = i;
            break;
        }
    }
    const QString c1 = text.mid(p, 1);
    const QString c2 = text.mid(p + 1, 1);
    const bool lower1 = isLower(c1);
    const bool lower2 = isLower(c2);
    if (lower1 && lower2) {
        if (c1.isEmpty())
            return text;
        QString result = text;
        result.replace(p, 1, toUpperCase(c1));
        return result;
    }
    if (!lower1 && !lower2)
        return toLowerCase(text);
    return toUpperCase(text);
}

QString listPrefix(const QString& line)
{
    QString prefix;
    qsizetype k = 0;  // characters of indentation plus one for each marker pair

    const qsizetype spaces = leadingRun(line, QLatin1Char(' '), MaxIndentSpaces);
    prefix.append(QString(spaces, QLatin1Char(' ')));
    k += spaces;
    const qsizetype tabs = leadingRun(line, Tab, MaxIndentTabs);
    prefix.append(QString(tabs, Tab));
    k += tabs;

    const qsizetype bullets = countMarkers(line, isBullet);
    for (qsizetype i = 0; i < bullets; ++i)
        prefix.append(BulletCharacter).append(Tab);
    k += bullets;
    const qsizetype dashes = countMarkers(line, [](QChar c) { return c == Dash; });
    for (qsizetype i = 0; i < dashes; ++i)
        prefix.append(Dash).append(Tab);
    k += dashes;

    const qsizetype numbers = countMarkers(line, [](QChar c) { return c == Period; });
    if (numbers == 0)
        return prefix;
    if (const int next = nextNumber(line, prefix.size(), k)) {
        const QString item = QString::number(next) + Period + Tab;
        for (qsizetype i = 0; i < numbers; ++i)
            prefix.append(item);
    }
    return prefix;
}

QString enterKeyText(const QString& line, int caretColumn)
{
    const QString lineBreak = QStringLiteral("\r\n");
    if (caretColumn <= 0)
        return lineBreak;
    return lineBreak + listPrefix(line);
}

}  // namespace qp
