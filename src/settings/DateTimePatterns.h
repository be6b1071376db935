#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class QLocale;

namespace qp {

// The regional values the date and time patterns draw on. The four formats
// are themselves patterns of the program's own language.
struct RegionalValues {
    QStringList shortMonthNames;  // 12, January first
    QStringList longMonthNames;   // 12
    QStringList shortDayNames;    // 7, Monday first, as QDate::dayOfWeek counts
    QStringList longDayNames;     // 7
    QString amDesignator;
    QString pmDesignator;
    QString dateSeparator;  // may be empty: "/" then gives nothing
    QString timeSeparator;  // may be empty: ":" then gives nothing
    QString shortDateFormat;
    QString longDateFormat;
    QString shortTimeFormat;
    QString longTimeFormat;
    QString eraName;  // what g gives; empty for calendars without named eras
};

// The longest text a pattern gives; the rest is dropped.
inline constexpr int maxFormattedLength = 256;

// Turns a point in time into text with a date and time pattern (letters in
// either case: y m d h n s z t c e g, "AM/PM", "A/P", "AMPM", "/", ":",
// quoted text). An empty pattern works as "c".
QString formatDateTime(const QString& pattern, const QDateTime& when, const RegionalValues& regional);

// Insert Date formats the day alone (time placeholders give zeros) and
// Insert Time the time of day on day 0, 30 December 1899.
QDateTime datePart(const QDateTime& when);
QDateTime timePart(const QDateTime& when);

// The locale's names and formats, its formats translated from Qt's format
// letters into the program's pattern language.
RegionalValues regionalValuesFromLocale(const QLocale& locale);
RegionalValues systemRegionalValues();

// One Qt date or time format in the program's pattern language.
QString patternFromQtFormat(const QString& qtFormat, const QString& dateSeparator,
                            const QString& timeSeparator);

}  // namespace qp
