// The search and replace logic on the editor: codes, search from the
// selection with its retry question, and Replace All.
#include "editing/Tools_Search.h"

#include "support/Fakes.h"

#include "editor/RichEdit.h"
#include "platform/Errors.h"

#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace qp;
using qp::test::FakeMessageService;

namespace {

const QString kRetry = QStringLiteral("No more text found. Retry from begin of text?");

TEST(ConvertSearchCodes, TabsThenParagraphBreaks)
{
    struct Case {
        const char* field;
        const char* expected;
    };
    const Case cases[] = {
        {"a^tb", "a\tb"},
        {"^p", "\r\n"},
        {"x^p^ty", "x\r\n\ty"},
        {"^^tt", "^\tt"},      // no escape: the inner code counts
        {"^T^P", "^T^P"},      // the codes are lower case
        {"^", "^"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(convertSearchCodes(QString::fromLatin1(c.field)), QString::fromLatin1(c.expected)) << c.field;
}

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override { edit.setWordWrap(false); }

    // The position of each match that repeated searches step through.
    void expectSelection(int start, int length)
    {
        EXPECT_EQ(edit.selStart(), start);
        EXPECT_EQ(edit.selLength(), length);
    }

    RichEdit edit;
    FakeMessageService messages;
};

TEST_F(SearchTest, StepsFromTheEndOfTheSelectionThroughAdjacentMatches)
{
    edit.setText(QStringLiteral("aaa\r\nxaa"));
    edit.setSelection(0, 0);
    for (int expected : {0, 1, 2, 6, 7}) {
        searchFromSelection(edit, messages, QStringLiteral("a"), {});
        expectSelection(expected, 1);
    }
    EXPECT_TRUE(messages.boxes().isEmpty());
}

TEST_F(SearchTest, FindsAcrossParagraphBreaksAndTabs)
{
    edit.setText(QStringLiteral("one\ttwo\r\nthree"));
    searchFromSelection(edit, messages, QStringLiteral("two\r\nth"), {});
    expectSelection(4, 7);
    EXPECT_EQ(edit.selText(), "two\r\nth");
    edit.setSelection(0, 0);
    searchFromSelection(edit, messages, QStringLiteral("e\ttw"), {});
    expectSelection(2, 4);
}

TEST_F(SearchTest, AtTheEndRetryStartsAgainAtTheTop)
{
    edit.setText(QStringLiteral("cat dog cat"));
    edit.setSelection(8, 3);
    messages.answer(Answer::Retry);
    searchFromSelection(edit, messages, QStringLiteral("cat"), {});
    expectSelection(0, 3);
    ASSERT_EQ(messages.boxes().size(), 1);
    EXPECT_EQ(messages.boxes()[0].kind, FakeMessageService::Kind::RetryNo);
    EXPECT_EQ(messages.boxes()[0].text, kRetry);
}

TEST_F(SearchTest, NoEndsTheCommandAndLeavesTheSelection)
{
    edit.setText(QStringLiteral("cat dog cat"));
    edit.setSelection(9, 1);
    messages.answer(Answer::No);
    EXPECT_THROW(searchFromSelection(edit, messages, QStringLiteral("cat"), {}), CancelSignal);
    expectSelection(9, 1);
}

TEST_F(SearchTest, ATextWithoutMatchAsksAgainAfterEachRetry)
{
    edit.setText(QStringLiteral("cat"));
    messages.answer(Answer::Retry);
    messages.answer(Answer::Retry);
    messages.answer(Answer::No);
    EXPECT_THROW(searchFromSelection(edit, messages, QStringLiteral("dog"), {}), CancelSignal);
    EXPECT_EQ(messages.boxes().size(), 3);
    expectSelection(0, 0);
}

TEST_F(SearchTest, OptionsAreTheEditorsMatchCaseAndWholeWord)
{
    edit.setText(QStringLiteral("Concat CAT cat2 cat"));
    searchFromSelection(edit, messages, QStringLiteral("cat"), {});
    expectSelection(3, 3);  // without Match Case, inside a word

    edit.setSelection(0, 0);
    searchFromSelection(edit, messages, QStringLiteral("cat"), FindOption::WholeWord);
    expectSelection(7, 3);  // a digit belongs to the word, so cat2 is no whole word

    edit.setSelection(0, 0);
    searchFromSelection(edit, messages, QStringLiteral("cat"), FindOption::WholeWord | FindOption::MatchCase);
    expectSelection(16, 3);
}

struct ReplaceCase {
    const char* name;
    const char* text;
    const char* what;
    const char* with;
    FindOptions options;
    const char* expected;
    int count;
};

class ReplaceAllTest : public SearchTest, public ::testing::WithParamInterface<ReplaceCase> {};

TEST_P(ReplaceAllTest, ReplacesEachMatchOnceFromTheTop)
{
    const ReplaceCase& c = GetParam();
    edit.setText(QString::fromLatin1(c.text));
    edit.setSelection(edit.textLength(), 0);  // Replace All starts at the top wherever the caret is
    EXPECT_EQ(replaceAll(edit, QString::fromLatin1(c.what), QString::fromLatin1(c.with), c.options), c.count);
    EXPECT_EQ(edit.text(), QString::fromLatin1(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAllTest,
    ::testing::Values(
        ReplaceCase{"ReplacementHoldingTheSearchText", "a b a", "a", "aa", {}, "aa b aa", 2},
        ReplaceCase{"AdjacentMatches", "aaa", "a", "aa", {}, "aaaaaa", 3},
        ReplaceCase{"ShorterReplacement", "abcabc", "abc", "x", {}, "xx", 2},
        ReplaceCase{"EmptyReplacement", "a-b-c", "-", "", {}, "abc", 2},
        ReplaceCase{"NoMatch", "abc", "x", "y", {}, "abc", 0},
        ReplaceCase{"EmptySearchText", "abc", "", "y", {}, "abc", 0},
        ReplaceCase{"IgnoresCase", "Cat CAT cat", "cat", "dog", {}, "dog dog dog", 3},
        ReplaceCase{"MatchCase", "Cat CAT cat", "cat", "dog", FindOption::MatchCase, "Cat CAT dog", 1},
        ReplaceCase{"WholeWord", "cat concat cat. cat2", "cat", "dog", FindOption::WholeWord, "dog concat dog. cat2", 2},
        // The word test looks at the edited text: after "x" the next "-b-" is inside a word.
        ReplaceCase{"WholeWordAfterAWordReplacement", "-b--b-", "-b-", "x", FindOption::WholeWord, "x-b-", 1},
        ReplaceCase{"WholeWordAfterANonWordReplacement", "-b--b-", "-b-", "y-", FindOption::WholeWord, "y-y-", 2},
        // After an empty replacement the word test looks past it, at what stood before the match.
        ReplaceCase{"WholeWordAfterAnEmptyReplacement", " -b-b", "-b", "", FindOption::WholeWord, " ", 2},
        ReplaceCase{"ParagraphBreaks", "one\r\ntwo\r\n\r\nthree", "\r\n", " ", {}, "one two  three", 3},
        ReplaceCase{"IntoParagraphBreaks", "axbxc", "x", "\r\n", {}, "a\r\nb\r\nc", 2},
        ReplaceCase{"AcrossAParagraphBreak", "ab\r\ncd\r\nab\r\ncd", "b\r\nc", "-", {}, "a-d\r\na-d", 2},
        ReplaceCase{"BreakByBreak", "a\r\nb", "\r\n", "\r\n\r\n", {}, "a\r\n\r\nb", 1}),
    [](const ::testing::TestParamInfo<ReplaceCase>& info) { return std::string(info.param.name); });

TEST_F(SearchTest, ReplaceAllLeavesTheCaretAfterTheLastReplacement)
{
    edit.setText(QStringLiteral("a\r\nb a c"));
    edit.setSelection(0, 1);
    EXPECT_EQ(replaceAll(edit, QStringLiteral("a"), QStringLiteral("xyz"), {}), 2);
    EXPECT_EQ(edit.text(), "xyz\r\nb xyz c");
    expectSelection(10, 0);
}

TEST_F(SearchTest, ReplaceAllWithoutMatchKeepsTheSelectionAndTheUndoHistory)
{
    edit.setText(QStringLiteral("abc"));
    edit.setSelection(1, 1);
    EXPECT_EQ(replaceAll(edit, QStringLiteral("x"), QStringLiteral("y"), {}), 0);
    expectSelection(1, 1);
    EXPECT_FALSE(edit.canUndo());
}

TEST_F(SearchTest, OneUndoTakesBackTheWholeReplaceAll)
{
    edit.setText(QStringLiteral("one cat\r\ntwo cat\r\nthree"));
    edit.setSelection(0, 0);
    edit.replaceSelection(QStringLiteral(">"));
    const QString before = edit.text();
    ASSERT_EQ(replaceAll(edit, QStringLiteral("cat"), QStringLiteral("dog\r\n"), {}), 2);
    edit.undo();
    EXPECT_EQ(edit.text(), before);
    edit.undo();
    EXPECT_EQ(edit.text(), "one cat\r\ntwo cat\r\nthree") << "the edit before it is a step of its own";
}

TEST_F(SearchTest, ReplacementTakesTheFormatOfTheReplacedText)
{
    edit.setText(QStringLiteral("a cat here"));
    QTextCursor cursor(edit.document());
    cursor.setPosition(2);
    cursor.setPosition(5, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.mergeCharFormat(bold);

    ASSERT_EQ(replaceAll(edit, QStringLiteral("cat"), QStringLiteral("tiger"), {}), 1);
    edit.setSelection(2, 5);
    EXPECT_TRUE(edit.selectionCharFormat().styles.testFlag(FontStyle::Bold));
    EXPECT_TRUE(edit.selectionCharFormat().uniform.testFlag(CharAttribute::Bold));
    edit.setSelection(8, 4);
    EXPECT_FALSE(edit.selectionCharFormat().styles.testFlag(FontStyle::Bold));
}

}  // namespace
