#include "settings/DateTimePatterns.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace qp {
namespace {

// Fixed regional values, so no test depends on the machine's locale.
RegionalValues englishValues()
{
    RegionalValues r;
    r.shortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    r.longMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                        "July",    "August",   "September", "October", "November", "December"};
    r.shortDayNames = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    r.longDayNames = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday", "Sunday"};
    r.amDesignator = "AM";
    r.pmDesignator = "PM";
    r.dateSeparator = ".";
    r.timeSeparator = ":";
    r.shortDateFormat = "dd/mm/yyyy";
    r.longDateFormat = "dddd d mmmm yyyy";
    r.shortTimeFormat = "hh:nn";
    r.longTimeFormat = "hh:nn:ss";
    r.eraName = "AD";
    return r;
}

QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::UTC);
}

struct PatternCase {
    const char* name;
    QString pattern;
    QDateTime when;
    QString expected;
};

void PrintTo(const PatternCase& c, std::ostream* os) { *os << c.name; }

class FormatDateTime : public ::testing::TestWithParam<PatternCase> {};

TEST_P(FormatDateTime, GivesTheExpectedText)
{
    const PatternCase& c = GetParam();
    EXPECT_EQ(formatDateTime(c.pattern, c.when, englishValues()).toStdString(), c.expected.toStdString())
        << "pattern: " << c.pattern.toStdString();
}

const QDateTime mayDay = at(2024, 5, 1, 14, 30, 15, 7);  // a Wednesday

INSTANTIATE_TEST_SUITE_P(
    Placeholders, FormatDateTime,
    ::testing::Values(
        PatternCase{"IsoDate", "yyyy-mm-dd", mayDay, "2024-05-01"},
        PatternCase{"ShortNumbers", "d.m.yy", mayDay, "1.5.24"},
        PatternCase{"UpperCaseLetters", "YYYY-MM-DD", mayDay, "2024-05-01"},
        PatternCase{"OneYIsTwoDigits", "y", at(2005, 1, 1), "05"},
        PatternCase{"ThreeYsAreFour", "yyy", at(2005, 1, 1), "2005"},
        PatternCase{"RunsDependOnCase", "yyYY", mayDay, "2424"},
        PatternCase{"MonthNames", "mmm mmmm mmmmm", at(2024, 9, 7), "Sep September September"},
        PatternCase{"DayNames", "ddd dddd", mayDay, "Wed Wednesday"},
        PatternCase{"DayNamesWithA", "aaa aaaa AaAa", mayDay, "Wed Wednesday Wednesday"},
        PatternCase{"SundayIsTheLastName", "dddd", at(2024, 5, 5), "Sunday"},
        PatternCase{"ShortAndLongDate", "ddddd|dddddd", mayDay, "01.05.2024|Wednesday 1 May 2024"},
        PatternCase{"ShortAndLongTime", "t|tt|ttt", mayDay, "14:30|14:30:15|14:30:15"},
        PatternCase{"HourAndMinutes", "hh:mm", mayDay, "14:30"},
        PatternCase{"MinutesWithN", "h:n:s|hh:nn:ss", at(2024, 1, 1, 9, 5, 3), "9:5:3|09:05:03"},
        PatternCase{"LongRunsCapped", "hhh nnn sss", at(2024, 1, 1, 9, 5, 3), "09 05 03"},
        PatternCase{"Milliseconds", "z|zz|zzz|zzzz", mayDay, "7|07|007|007"},
        PatternCase{"MAfterQuotedTextIsMinutes", "hh'x'mm", mayDay, "14x30"},
        PatternCase{"MAfterAnotherLetterIsMonth", "hh x mm", mayDay, "14 x 05"},
        PatternCase{"SecondMRunIsMonth", "hh:mm:mm", mayDay, "14:30:05"},
        PatternCase{"Era", "e gg", mayDay, "2024 AD"},
        PatternCase{"DateSeparator", "dd/mm", mayDay, "01.05"},
        PatternCase{"LoneAIsItself", "a b", mayDay, "a b"}));

INSTANTIATE_TEST_SUITE_P(
    TwelveHourClock, FormatDateTime,
    ::testing::Values(
        PatternCase{"AmPmLowerCase", "h:mm am/pm", mayDay, "2:30 pm"},
        PatternCase{"AmPmMorning", "h:mm AM/PM", at(2024, 5, 1, 9, 5), "9:05 AM"},
        PatternCase{"AmPmKeepsMixedCase", "Am/pM", at(2024, 5, 1, 13, 0), "pM"},
        PatternCase{"MidnightIsTwelve", "h:nn a/p", at(2024, 5, 1, 0, 15), "12:15 a"},
        PatternCase{"NoonIsTwelvePm", "hh A/P", at(2024, 5, 1, 12, 0), "12 P"},
        PatternCase{"RegionalDesignator", "hh ampm", at(2024, 5, 1, 23, 0), "11 PM"},
        PatternCase{"FormMetBeforeHour", "am/pm hh", mayDay, "pm 02"},
        PatternCase{"StaysTwelveHourAfterwards", "h a/p h", mayDay, "2 p 2"},
        PatternCase{"ScanStopsAtNextHour", "h h am/pm", mayDay, "14 2 pm"},
        PatternCase{"ScanStopsAtOtherA", "h ax am/pm", mayDay, "14 ax pm"},
        PatternCase{"QuotedFormDoesNotCount", "h 'am/pm'", mayDay, "14 am/pm"},
        PatternCase{"QuotedHourEndsTheScan", "h 'h' am/pm", mayDay, "14 h pm"}));

INSTANTIATE_TEST_SUITE_P(
    Quotes, FormatDateTime,
    ::testing::Values(
        PatternCase{"SingleQuotes", "dd 'of' mmmm", mayDay, "01 of May"},
        PatternCase{"DoubleQuotes", "\"hh\" hh", mayDay, "hh 14"},
        PatternCase{"OtherQuoteInside", "'say \"yy\"' yy", mayDay, "say \"yy\" 24"},
        PatternCase{"UnclosedQuoteRunsToEnd", "yy 'mm dd", mayDay, "24 mm dd"},
        PatternCase{"SeparatorsInsideQuotesStay", "'/:'", mayDay, "/:"}));

INSTANTIATE_TEST_SUITE_P(
    DateAndTimeAlone, FormatDateTime,
    ::testing::Values(
        PatternCase{"InsertTimeYearIs1899", "yyyy", timePart(mayDay), "1899"},
        PatternCase{"InsertTimeDate", "dd/mm/yyyy dddd", timePart(mayDay), "30.12.1899 Saturday"},
        PatternCase{"InsertDateTimeIsZero", "hh:nn", datePart(mayDay), "00:00"},
        PatternCase{"EmptyDateFormat", "", datePart(mayDay), "01.05.2024"},
        PatternCase{"EmptyTimeFormat", "", timePart(mayDay), "30.12.1899 14:30:15"},
        PatternCase{"EmptyTimeFormatAtMidnight", "", timePart(at(2024, 5, 1)), "30.12.1899"},
        PatternCase{"CIgnoresMilliseconds", "c", at(2024, 5, 1, 0, 0, 0, 500), "01.05.2024"},
        PatternCase{"InvalidPointIsDayZero", "yyyy-mm-dd hh:nn", QDateTime(), "1899-12-30 00:00"}));

TEST(FormatDateTimeRegional, EmptySeparatorsGiveNothing)
{
    RegionalValues r = englishValues();
    r.dateSeparator.clear();
    r.timeSeparator.clear();
    EXPECT_EQ(formatDateTime("dd/mm hh:nn", mayDay, r), "0105 1430");
}

TEST(FormatDateTimeRegional, NestingStopsAtTheSecondLevel)
{
    RegionalValues r = englishValues();
    r.shortDateFormat = "d[t]";      // t would open a third level
    r.longTimeFormat = "hh[ddddd]";  // so would ddddd
    EXPECT_EQ(formatDateTime("ddddd", mayDay, r), "1[]");
    EXPECT_EQ(formatDateTime("c", mayDay, r), "1[] 14[]");
    EXPECT_EQ(formatDateTime("", mayDay, r), "1[] 14[]");
}

TEST(FormatDateTimeRegional, ResultIsCutAt256Characters)
{
    const QString longText = formatDateTime("'" + QString(300, 'x'), mayDay, englishValues());
    EXPECT_EQ(longText, QString(maxFormattedLength, 'x'));

    QString manyYears;
    for (int i = 0; i < 100; ++i)
        manyYears += "yyyy ";
    const QString years = formatDateTime(manyYears, mayDay, englishValues());
    ASSERT_EQ(years.size(), maxFormattedLength);
    EXPECT_TRUE(years.startsWith("2024 2024 "));
    EXPECT_TRUE(years.endsWith("2024 2"));
}

TEST(FormatDateTimeRegional, MissingNamesGiveNothing)
{
    RegionalValues r;  // no names at all
    EXPECT_EQ(formatDateTime("[mmmm][dddd][ampm]", mayDay, r), "[][][]");
}

TEST(PatternFromQtFormat, TranslatesLettersAndQuotesLiterals)
{
    struct Case {
        QString qt;
        QString ours;
    };
    const Case cases[] = {
        {"dd.MM.yyyy", "dd.mm.yyyy"},
        {"M/d/yy", "m/d/yy"},
        {"dddd, MMMM d, yyyy", "dddd, mmmm d, yyyy"},
        {"h:mm AP", "h:nn AMPM"},
        {"HH:mm:ss", "hh:nn:ss"},
        {"h:mm:ss AP t", "h:nn:ss AMPM"},  // no time zone in our patterns
        {"HH 'h' mm", "hh \"h\" nn"},
        {"d 'de' MMMM", "d \"de\" mmmm"},
        {"hh''mm", "hh\"'\"nn"},
        {"'it''s' h", "\"it's\" h"},
        {"HH.mm.ss.zzz", "hh.nn.ss.zzz"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(patternFromQtFormat(c.qt, "/", ":"), c.ours) << c.qt.toStdString();

    // A slash that is not the date separator is literal text.
    EXPECT_EQ(patternFromQtFormat("dd.MM/yy", ".", ":"), "dd.mm\"/\"yy");
}

// The translated regional formats give what Qt itself gives for that locale.
TEST(RegionalValuesFromLocale, FormatsAgreeWithQt)
{
    const QLocale locales[] = {
        QLocale(QLocale::English, QLocale::UnitedStates), QLocale(QLocale::German, QLocale::Germany),
        QLocale(QLocale::French, QLocale::France),        QLocale(QLocale::Russian, QLocale::Russia),
        QLocale(QLocale::Japanese, QLocale::Japan),       QLocale(QLocale::Portuguese, QLocale::Brazil),
    };
    const QDateTime when = at(2024, 9, 7, 15, 4, 9);
    for (const QLocale& locale : locales) {
        SCOPED_TRACE(locale.name().toStdString());
        const RegionalValues r = regionalValuesFromLocale(locale);
        ASSERT_EQ(r.longMonthNames.size(), 12);
        ASSERT_EQ(r.shortDayNames.size(), 7);
        EXPECT_EQ(formatDateTime("ddddd", when, r), locale.toString(when.date(), QLocale::ShortFormat));
        EXPECT_EQ(formatDateTime("dddddd", when, r), locale.toString(when.date(), QLocale::LongFormat));
        EXPECT_EQ(formatDateTime("t", when, r), locale.toString(when.time(), QLocale::ShortFormat));
        QString longTime = locale.timeFormat(QLocale::LongFormat);
        longTime.remove('t');
        EXPECT_EQ(formatDateTime("tt", when, r), locale.toString(when.time(), longTime.trimmed()));
    }
}

TEST(RegionalValuesFromLocale, NamesAndSeparators)
{
    const RegionalValues us = regionalValuesFromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(us.longMonthNames.first(), "January");
    EXPECT_EQ(us.longDayNames.first(), "Monday");
    EXPECT_EQ(us.amDesignator, "AM");
    EXPECT_EQ(us.dateSeparator, "/");
    EXPECT_EQ(us.timeSeparator, ":");

    const RegionalValues de = regionalValuesFromLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(de.dateSeparator, ".");
    EXPECT_EQ(de.longMonthNames.at(2), QString::fromUtf8("März"));
}

}  // namespace
}  // namespace qp
