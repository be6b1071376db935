// The editing aids on plain strings: the letter test, case changes and what
// an aided Enter inserts.
#include "editing/Tools_Editor.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace qp;

namespace {

const QString Bullet(BulletCharacter);

// Case conversions follow the locale; these tests fix it.
class EnglishLocale : public ::testing::Environment {
public:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};
const auto* const englishLocale = ::testing::AddGlobalTestEnvironment(new EnglishLocale);

struct LetterCase {
    const char* name;
    char16_t c;
    bool letter;
};

class LetterTest : public ::testing::TestWithParam<LetterCase> {};

TEST_P(LetterTest, FixedRangesOfThe8BitCode)
{
    EXPECT_EQ(isEditorLetter(QChar(GetParam().c)), GetParam().letter);
}

INSTANTIATE_TEST_SUITE_P(, LetterTest,
                         ::testing::Values(LetterCase{"UpperA", u'A', true}, LetterCase{"UpperZ", u'Z', true},
                                           LetterCase{"LowerA", u'a', true}, LetterCase{"LowerZ", u'z', true},
                                           LetterCase{"AtSign", u'@', false}, LetterCase{"Bracket", u'[', false},
                                           LetterCase{"Backquote", u'`', false}, LetterCase{"Brace", u'{', false},
                                           LetterCase{"Digit", u'7', false}, LetterCase{"Space", u' ', false},
                                           LetterCase{"Euro128", u'\u20AC', true},
                                           LetterCase{"Bullet149", u'\u2022', true},
                                           LetterCase{"SCaron154", u'\u0161', true},
                                           LetterCase{"Guillemet155", u'\u203A', false},
                                           LetterCase{"ZCaron158", u'\u017E', false},
                                           LetterCase{"NoBreakSpace160", u'\u00A0', true},
                                           LetterCase{"Yen165", u'\u00A5', true},
                                           LetterCase{"BrokenBar166", u'\u00A6', false},
                                           LetterCase{"InvertedQuestion191", u'\u00BF', false},
                                           LetterCase{"AGrave192", u'\u00C0', true},
                                           LetterCase{"YDiaeresis255", u'\u00FF', true},
                                           LetterCase{"GreekOmegaHasNoCode", u'\u03A9', false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ChangeCaseCase {
    const char* name;
    QString before;
    QString after;
};

class ChangeCaseTest : public ::testing::TestWithParam<ChangeCaseCase> {};

TEST_P(ChangeCaseTest, DecidesOnTheFirstLetterAndTheNext)
{
    EXPECT_EQ(changeCase(GetParam().before), GetParam().after);
}

const QString Twenty = QStringLiteral("1234567890, -/()*+=!");  // 20 characters, none a letter

INSTANTIATE_TEST_SUITE_P(
    , ChangeCaseTest,
    ::testing::Values(
        ChangeCaseCase{"WordToCapital", "hello world", "Hello world"},
        ChangeCaseCase{"CapitalToUpper", "Hello world", "HELLO WORLD"},
        ChangeCaseCase{"UpperToLower", "HELLO WORLD", "hello world"},
        ChangeCaseCase{"LowerThenUpperGoesUpper", "hELLO", "HELLO"},
        ChangeCaseCase{"DigitsAndSpaceSkipped", "123 abc", "123 Abc"},
        ChangeCaseCase{"SingleLetterWord", "a b", "A b"},
        ChangeCaseCase{"SpaceAfterCapitalCountsLower", "A b", "A B"},
        ChangeCaseCase{"StaysOnceUpperWithSpace", "A B", "A B"},
        ChangeCaseCase{"BulletAndTabUnchanged", Bullet + "\tItem", Bullet + "\tItem"},
        ChangeCaseCase{"AccentedFirstLetter", QString::fromUtf8("\xC3\xA9lan vital"),
                       QString::fromUtf8("\xC3\x89lan vital")},
        ChangeCaseCase{"AccentedUpperToLower", QString::fromUtf8("\xC3\x89LAN"), QString::fromUtf8("\xC3\xA9lan")},
        ChangeCaseCase{"NoLetterInTwentyDecidesOn21And22", Twenty + "ab", Twenty + "Ab"},
        ChangeCaseCase{"NoLetterInTwentyBothUpper", Twenty + "AB", Twenty + "ab"},
        ChangeCaseCase{"NoLetterInTwentyMixed", Twenty + "Ab", Twenty + "AB"},
        ChangeCaseCase{"LetterFound20thCharacter", QString(19, u' ') + "ab", QString(19, u' ') + "Ab"},
        ChangeCaseCase{"LetterFromThe22ndIsNotSeen", QString(21, u' ') + "ab", QString(21, u' ') + "ab"},
        ChangeCaseCase{"ShortWithoutLetterUnchanged", "12345 (!)", "12345 (!)"},
        ChangeCaseCase{"Empty", "", ""},
        ChangeCaseCase{"LineBreaksKept", "one\r\ntwo", "One\r\ntwo"},
        ChangeCaseCase{"SharpSKeepsItsForm", QString::fromUtf8("\xC3\x9F" "a"), QString::fromUtf8("\xC3\x9F" "a")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChangeCase, CyclesAnOrdinaryWord)
{
    QString text = "word";
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        text = changeCase(text);
        seen << text;
    }
    EXPECT_EQ(seen, (QStringList{"Word", "WORD", "word", "Word"}));
}

TEST(CaseConversion, KeepsTheLengthOfTheText)
{
    const QString text = QString::fromUtf8("Stra\xC3\x9F" "e \xC3\xA0 la carte");
    EXPECT_EQ(toUpperCase(text), QString::fromUtf8("STRA\xC3\x9F" "E \xC3\x80 LA CARTE"));
    EXPECT_EQ(toLowerCase(text), QString::fromUtf8("stra\xC3\x9F" "e \xC3\xA0 la carte"));
    EXPECT_EQ(toUpperCase("x\r\ny"), "X\r\nY");
}

struct EnterCase {
    const char* name;
    QString line;
    int caretColumn;
    QString inserted;  // after the CR LF
};

class EnterKeyTest : public ::testing::TestWithParam<EnterCase> {};

TEST_P(EnterKeyTest, NewLineBeginsWithThePrefix)
{
    EXPECT_EQ(enterKeyText(GetParam().line, GetParam().caretColumn), "\r\n" + GetParam().inserted);
}

INSTANTIATE_TEST_SUITE_P(
    , EnterKeyTest,
    ::testing::Values(
        EnterCase{"TwoSpaces", "  Hello", 7, "  "},
        EnterCase{"TwoTabs", "\t\tHello", 7, "\t\t"},
        EnterCase{"Bullet", Bullet + "\tItem", 6, Bullet + "\t"},
        EnterCase{"Dash", "-\tItem", 6, "-\t"},
        EnterCase{"Number", "1.\tFirst", 8, "2.\t"},
        EnterCase{"NumberGrowsADigit", "9.\tNine", 7, "10.\t"},
        EnterCase{"IndentedNumber", "  12.\tx", 7, "  13.\t"},
        EnterCase{"TabbedNumber", "\t3.\tx", 5, "\t4.\t"},
        EnterCase{"PeriodWithoutTab", "1. First", 8, ""},
        EnterCase{"SpacesCappedAt16", QString(20, u' ') + "x", 21, QString(16, u' ')},
        EnterCase{"TabsCappedAt8", QString(10, u'\t') + "x", 11, QString(8, u'\t')},
        EnterCase{"ThreeDigits", "999.\tx", 6, "1000.\t"},
        EnterCase{"FourDigitsAreNoListNumber", "1234.\tx", 7, ""},
        EnterCase{"CaretAtLineStart", "  1.\tx", 0, ""},
        EnterCase{"CaretMidLineUsesTheWholeLine", "  ab", 3, "  "},
        EnterCase{"SpaceThenTabsCarriesTheSpaceOnly", " \t\tx", 4, " "},
        EnterCase{"TabsThenSpacesCarriesTheTabsOnly", "\t  x", 4, "\t"},
        EnterCase{"BulletAndTabOnly", Bullet + "\t", 2, Bullet + "\t"},
        EnterCase{"TwoBulletPairs", Bullet + "\t" + Bullet + "\tx", 5, Bullet + "\t" + Bullet + "\t"},
        EnterCase{"MarkerBeyondTheEighthCharacter", "Total:  1.\tx", 12, ""},
        EnterCase{"MarkerAtTheEighthCharacter", "       -\tx", 10, "       -\t"},
        EnterCase{"IndentedMarkerBeyondTheEighth", "    Total:  1.\tx", 16, "    "},
        EnterCase{"PlainLine", "Hello", 5, ""},
        EnterCase{"EmptyLineAfterText", "", 0, ""},
        // A marker found but no readable number: the line break and the rest still come.
        EnterCase{"LetterBeforeNumber", "a1.\tx", 5, ""},
        EnterCase{"BulletBeforeNumber", Bullet + "\t1.\tx", 6, Bullet + "\t"},
        EnterCase{"IndentedLetterBeforeNumber", "  a1.\tx", 7, "  "},
        EnterCase{"PeriodTabWithoutDigits", "  x.\ty", 6, "  "}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
