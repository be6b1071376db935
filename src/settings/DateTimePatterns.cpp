#include "settings/DateTimePatterns.h"

#include <QLocale>

#include <cstdlib>

namespace qp {

namespace {

constexpr int maxNestingLevel = 2;

char16_t upperAscii(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') ? char16_t(u - 32) : u;
}

bool isAsciiUpper(char16_t u) { return u >= 'A' && u <= 'Z'; }

bool isQuote(QChar c) { return c == u'\'' || c == u'"'; }

bool startsWithForm(QStringView text, QStringView form)
{
    return text.startsWith(form, Qt::CaseInsensitive);
}

bool beginsAmPmForm(QStringView text)
{
    return startsWithForm(text, u"AM/PM") || startsWithForm(text, u"A/P") || startsWithForm(text, u"AMPM");
}

QString nameAt(const QStringList& names, int oneBasedIndex)
{
    return (oneBasedIndex >= 1 && oneBasedIndex <= names.size()) ? names.at(oneBasedIndex - 1) : QString();
}

// One formatting run: the output buffer and the nesting depth shared by the
// pattern and the regional formats it expands.
class Formatter {
public:
    Formatter(const QDate& date, const QTime& time, const RegionalValues& regional)
        : m_date(date), m_time(time), m_regional(regional)
    {
    }

    void appendPattern(QStringView pattern);
    QString result() const { return m_out; }

private:
    bool full() const { return m_out.size() >= maxFormattedLength; }
    void append(QStringView text);
    void appendNumber(int value, qsizetype minDigits);
    bool timeIsMidnight() const { return m_time.hour() == 0 && m_time.minute() == 0 && m_time.second() == 0; }

    QDate m_date;
    QTime m_time;
    const RegionalValues& m_regional;
    QString m_out;
    int m_level = 0;
};

void Formatter::append(QStringView text)
{
    const qsizetype room = maxFormattedLength - m_out.size();
    if (room <= 0)
        return;
    if (text.size() <= room) {
        m_out.append(text);
        return;
    }
    QStringView kept = text.first(room);
    // Never leave half of a surrogate pair at the cut.
    if (kept.back().isHighSurrogate())
        kept.chop(1);
    m_out.append(kept);
}

void Formatter::appendNumber(int value, qsizetype minDigits)
{
    append(QString::number(std::abs(value)).rightJustified(minDigits, u'0'));
}

void Formatter::appendPattern(QStringView p)
{
    if (m_level >= maxNestingLevel)
        return;
    ++m_level;

    char16_t lastToken = u' ';
    bool twelveHour = false;
    qsizetype i = 0;
    while (i < p.size() && !full()) {
        const QChar starter = p[i++];
        char16_t token = upperAscii(starter);
        if (isAsciiUpper(token)) {
            if (token == u'M' && lastToken == u'H')
                token = u'N';
            lastToken = token;
        }
        // The run of the same character, same case, that began at the starter.
        const auto runLength = [&] {
            const qsizetype begin = i - 1;
            while (i < p.size() && p[i] == starter)
                ++i;
            return i - begin;
        };

        switch (token) {
        case u'Y': {
            const qsizetype count = runLength();
            if (count <= 2)
                appendNumber(m_date.year() % 100, 2);
            else
                appendNumber(m_date.year(), 4);
            break;
        }
        case u'E':
            appendNumber(m_date.year(), runLength());
            break;
        case u'G':
            runLength();
            append(m_regional.eraName);
            break;
        case u'M': {
            const qsizetype count = runLength();
            if (count <= 2)
                appendNumber(m_date.month(), count);
            else if (count == 3)
                append(nameAt(m_regional.shortMonthNames, m_date.month()));
            else
                append(nameAt(m_regional.longMonthNames, m_date.month()));
            break;
        }
        case u'D': {
            const qsizetype count = runLength();
            if (count <= 2)
                appendNumber(m_date.day(), count);
            else if (count == 3)
                append(nameAt(m_regional.shortDayNames, m_date.dayOfWeek()));
            else if (count == 4)
                append(nameAt(m_regional.longDayNames, m_date.dayOfWeek()));
            else if (count == 5)
                appendPattern(m_regional.shortDateFormat);
            else
                appendPattern(m_regional.longDateFormat);
            break;
        }
        case u'H': {
            const qsizetype count = runLength();
            // An am/pm form before the next hour makes this hour twelve-hour.
            QChar quote;
            for (qsizetype j = i; j < p.size(); ++j) {
                const QChar c = p[j];
                if (c == u'h' || c == u'H')
                    break;
                if (!quote.isNull()) {
                    if (c == quote)
                        quote = QChar();
                } else if (isQuote(c)) {
                    quote = c;
                } else if (c == u'a' || c == u'A') {
                    if (beginsAmPmForm(p.sliced(j)))
                        twelveHour = true;
                    break;
                }
            }
            int hour = m_time.hour();
            if (twelveHour) {
                if (hour == 0)
                    hour = 12;
                else if (hour > 12)
                    hour -= 12;
            }
            appendNumber(hour, qMin<qsizetype>(count, 2));
            break;
        }
        case u'N':
            appendNumber(m_time.minute(), qMin<qsizetype>(runLength(), 2));
            break;
        case u'S':
            appendNumber(m_time.second(), qMin<qsizetype>(runLength(), 2));
            break;
        case u'Z':
            appendNumber(m_time.msec(), qMin<qsizetype>(runLength(), 3));
            break;
        case u'T':
            if (runLength() == 1)
                appendPattern(m_regional.shortTimeFormat);
            else
                appendPattern(m_regional.longTimeFormat);
            break;
        case u'C':
            runLength();
            appendPattern(m_regional.shortDateFormat);
            if (!timeIsMidnight()) {
                append(u" ");
                appendPattern(m_regional.longTimeFormat);
            }
            break;
        case u'A': {
            const QStringView rest = p.sliced(i - 1);
            const bool afternoon = m_time.hour() >= 12;
            if (startsWithForm(rest, u"AM/PM")) {
                // Keeps the case the pattern wrote: "am/pm" gives "pm".
                append(rest.sliced(afternoon ? 3 : 0, 2));
                i += 4;
                twelveHour = true;
            } else if (startsWithForm(rest, u"A/P")) {
                append(rest.sliced(afternoon ? 2 : 0, 1));
                i += 2;
                twelveHour = true;
            } else if (startsWithForm(rest, u"AMPM")) {
                append(afternoon ? m_regional.pmDesignator : m_regional.amDesignator);
                i += 3;
                twelveHour = true;
            } else if (startsWithForm(rest, u"AAAA")) {
                append(nameAt(m_regional.longDayNames, m_date.dayOfWeek()));
                i += 3;
            } else if (startsWithForm(rest, u"AAA")) {
                append(nameAt(m_regional.shortDayNames, m_date.dayOfWeek()));
                i += 2;
            } else {
                append(QStringView(&starter, 1));
            }
            break;
        }
        case u'/':
            append(m_regional.dateSeparator);
            break;
        case u':':
            append(m_regional.timeSeparator);
            break;
        case u'\'':
        case u'"': {
            const qsizetype close = p.indexOf(starter, i);
            const qsizetype end = close < 0 ? p.size() : close;
            append(p.sliced(i, end - i));
            i = close < 0 ? p.size() : close + 1;
            break;
        }
        default:
            append(QStringView(&starter, 1));
            break;
        }
    }

    --m_level;
}

// Literal text of a Qt format, written so that the program's pattern language
// gives it back unchanged: letters and the special characters go in quotes.
class PatternWriter {
public:
    PatternWriter(const QString& dateSeparator, const QString& timeSeparator)
        : m_dateSeparator(dateSeparator), m_timeSeparator(timeSeparator)
    {
    }

    void literal(QChar c)
    {
        if (isPlain(c)) {
            closeQuote();
            m_out.append(c);
            return;
        }
        if (!m_quote.isNull() && c == m_quote)
            closeQuote();
        if (m_quote.isNull()) {
            m_quote = (c == u'"') ? QChar(u'\'') : QChar(u'"');
            m_out.append(m_quote);
        }
        m_out.append(c);
    }

    void placeholder(const QString& text)
    {
        closeQuote();
        m_out.append(text);
    }

    QString finish()
    {
        closeQuote();
        return m_out.trimmed();
    }

private:
    bool isPlain(QChar c) const
    {
        const char16_t u = c.unicode();
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || isQuote(c))
            return false;
        if (c == u'/')
            return m_dateSeparator == QStringLiteral("/");
        if (c == u':')
            return m_timeSeparator == QStringLiteral(":");
        return true;
    }

    void closeQuote()
    {
        if (!m_quote.isNull()) {
            m_out.append(m_quote);
            m_quote = QChar();
        }
    }

    QString m_dateSeparator;
    QString m_timeSeparator;
    QString m_out;
    QChar m_quote;
};

// The first character between two fields of a Qt format, outside quotes.
QString separatorOf(const QString& qtFormat, const QString& fallback)
{
    bool quoted = false;
    for (const QChar c : qtFormat) {
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted || c.isLetter() || c.isSpace())
            continue;
        return QString(c);
    }
    return fallback;
}

}  // namespace

QString formatDateTime(const QString& pattern, const QDateTime& when, const RegionalValues& regional)
{
    const QDate date = when.date().isValid() ? when.date() : QDate(1899, 12, 30);
    const QTime time = when.time().isValid() ? when.time() : QTime(0, 0);
    Formatter formatter(date, time, regional);
    formatter.appendPattern(pattern.isEmpty() ? QStringView(u"c") : QStringView(pattern));
    return formatter.result();
}

// UTC keeps midnight and 1899 times exactly as given: a local time could be
// moved by a daylight-saving gap.
QDateTime datePart(const QDateTime& when)
{
    return QDateTime(when.date(), QTime(0, 0), Qt::UTC);
}

QDateTime timePart(const QDateTime& when)
{
    return QDateTime(QDate(1899, 12, 30), when.time(), Qt::UTC);
}

QString patternFromQtFormat(const QString& qtFormat, const QString& dateSeparator,
                            const QString& timeSeparator)
{
    PatternWriter out(dateSeparator, timeSeparator);
    const qsizetype size = qtFormat.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = qtFormat[i];
        if (c == u'\'') {
            // '' is a quote character; otherwise quoted text runs to the next
            // lone quote, with '' inside it standing for one quote.
            if (i + 1 < size && qtFormat[i + 1] == u'\'') {
                out.literal(c);
                i += 2;
                continue;
            }
            ++i;
            while (i < size) {
                if (qtFormat[i] == u'\'') {
                    if (i + 1 < size && qtFormat[i + 1] == u'\'') {
                        out.literal(u'\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                out.literal(qtFormat[i++]);
            }
            continue;
        }

        const auto run = [&](qsizetype cap) {
            qsizetype count = 0;
            while (i < size && qtFormat[i] == c && count < cap) {
                ++i;
                ++count;
            }
            return count;
        };

        switch (c.unicode()) {
        case u'd': {
            const qsizetype count = run(4);
            out.placeholder(QString(count, u'd'));
            break;
        }
        case u'M': {
            const qsizetype count = run(4);
            out.placeholder(QString(count, u'm'));
            break;
        }
        case u'y': {
            const qsizetype count = run(4);
            if (count >= 3)
                out.placeholder(QStringLiteral("yyyy"));
            else if (count == 2)
                out.placeholder(QStringLiteral("yy"));
            else
                out.literal(c);
            break;
        }
        case u'h':
        case u'H':
            out.placeholder(QString(run(2), u'h'));
            break;
        case u'm':
            out.placeholder(QString(run(2), u'n'));
            break;
        case u's':
            out.placeholder(QString(run(2), u's'));
            break;
        case u'z':
            // Qt reads "zz" as two single z's; a single z is one field.
            if (QStringView(qtFormat).sliced(i).startsWith(u"zzz")) {
                i += 3;
                out.placeholder(QStringLiteral("zzz"));
            } else {
                ++i;
                out.placeholder(QStringLiteral("z"));
            }
            break;
        case u'A':
        case u'a':
            ++i;
            if (i < size && (qtFormat[i] == u'P' || qtFormat[i] == u'p'))
                ++i;
            out.placeholder(QStringLiteral("AMPM"));
            break;
        case u't':
            // The time zone has no place in the program's patterns.
            run(4);
            break;
        default:
            out.literal(c);
            ++i;
            break;
        }
    }
    return out.finish();
}

RegionalValues regionalValuesFromLocale(const QLocale& locale)
{
    RegionalValues r;
    for (int month = 1; month <= 12; ++month) {
        r.shortMonthNames << locale.monthName(month, QLocale::ShortFormat);
        r.longMonthNames << locale.monthName(month, QLocale::LongFormat);
    }
    for (int day = 1; day <= 7; ++day) {
        r.shortDayNames << locale.dayName(day, QLocale::ShortFormat);
        r.longDayNames << locale.dayName(day, QLocale::LongFormat);
    }
    r.amDesignator = locale.amText();
    r.pmDesignator = locale.pmText();

    const QString shortDate = locale.dateFormat(QLocale::ShortFormat);
    const QString shortTime = locale.timeFormat(QLocale::ShortFormat);
    r.dateSeparator = separatorOf(shortDate, QStringLiteral("/"));
    r.timeSeparator = separatorOf(shortTime, QStringLiteral(":"));

    r.shortDateFormat = patternFromQtFormat(shortDate, r.dateSeparator, r.timeSeparator);
    r.longDateFormat = patternFromQtFormat(locale.dateFormat(QLocale::LongFormat), r.dateSeparator, r.timeSeparator);
    r.shortTimeFormat = patternFromQtFormat(shortTime, r.dateSeparator, r.timeSeparator);
    r.longTimeFormat = patternFromQtFormat(locale.timeFormat(QLocale::LongFormat), r.dateSeparator, r.timeSeparator);
    return r;
}

RegionalValues systemRegionalValues()
{
    return regionalValuesFromLocale(QLocale::system());
}

}  // namespace qp
