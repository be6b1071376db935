// The status bar's counts: the counting rule, and counts kept per paragraph
// that always equal a full count of the text.
#include "support/QtPrinters.h"

#include "editor/DocumentStatistics.h"
#include "editor/RichEdit.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

using namespace qp;

namespace {

struct CountCase {
    const char* name;
    QString text;
    TextCounts counts;
};

class CountRule : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountRule, CharactersWordsAndBytes)
{
    const CountCase& c = GetParam();
    EXPECT_EQ(countText(c.text), c.counts) << "characters " << countText(c.text).characters << ", words "
                                           << countText(c.text).words << ", bytes " << countText(c.text).bytes;
}

INSTANTIATE_TEST_SUITE_P(
    , CountRule,
    ::testing::Values(CountCase{"Empty", "", {0, 0, 0}}, CountCase{"TwoSpacesBetween", "a  b", {4, 2, 4}},
                      CountCase{"TwoLines", "hello\r\nworld", {10, 2, 12}}, CountCase{"Tab", "a\tb", {2, 2, 3}},
                      // Accented letters are letters: one word of four characters.
                      CountCase{"AccentedWord", QString::fromUtf8("café"), {4, 1, 4}},
                      CountCase{"AccentInTheMiddle", QString::fromUtf8("naïve"), {5, 1, 5}},
                      CountCase{"Emoji", QString::fromUtf8("a \U0001F600 b"), {5, 3, 5}},
                      CountCase{"ControlCharacters", QString("a\x01" "b\x7f" "c"), {3, 3, 5}},
                      CountCase{"OnlySpaces", "   ", {3, 0, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

class Statistics : public ::testing::Test {
protected:
    RichEdit editor;
    DocumentStatistics statistics{editor};

    void expectFullCount()
    {
        EXPECT_EQ(statistics.total(), countText(editor.text()));
    }
};

TEST_F(Statistics, EmptyDocument)
{
    EXPECT_EQ(statistics.total(), (TextCounts{0, 0, 0}));
    EXPECT_EQ(statistics.characterCodeAt(0), 0);
}

TEST_F(Statistics, SelectionCountsOnlyTheSelection)
{
    editor.setText("first line\r\nab cd and more\r\nlast");
    editor.setSelection(12, 5);
    EXPECT_EQ(statistics.selectionOrTotal(), (TextCounts{5, 2, 5}));
    // Across paragraphs: "line\r\nab cd and more\r\nla".
    editor.setSelection(6, 26);
    EXPECT_EQ(statistics.selectionOrTotal(), countText(editor.selText()));
    editor.setSelection(3, 0);
    EXPECT_EQ(statistics.selectionOrTotal(), countText(editor.text()));
}

TEST_F(Statistics, CharacterCodeAtTheCaret)
{
    editor.setText(QString::fromUtf8("hello\r\nw\u20ac"));
    EXPECT_EQ(statistics.characterCodeAt(0), 'h');
    EXPECT_EQ(statistics.characterCodeAt(5), 13) << "a line end shows CR";
    EXPECT_EQ(statistics.characterCodeAt(7), 'w');
    EXPECT_EQ(statistics.characterCodeAt(8), 128) << "the euro sign's Windows-1252 code";
    EXPECT_EQ(statistics.characterCodeAt(9), 0) << "past the end";
}

// Every kind of edit keeps the kept counts equal to a full count.
TEST_F(Statistics, RandomEditsKeepTheCountsExact)
{
    editor.setText("one two\r\nthree\r\n\r\nfour five six");
    QRandomGenerator random(42);
    const QStringList pieces{"x", " ", "\r\n", "word ", "\t", QString::fromUtf8("é"), "a\r\nb\r\nc", ""};
    for (int step = 0; step < 400; ++step) {
        const int length = editor.textLength();
        const int start = int(random.bounded(length + 1));
        const int span = int(random.bounded(std::min(12, length - start) + 1));
        editor.setSelection(start, span);
        editor.replaceSelection(pieces[int(random.bounded(int(pieces.size())))]);
        if (step % 50 == 0)
            editor.undo();
        ASSERT_EQ(statistics.total(), countText(editor.text())) << "after step " << step;
    }
}

// Changes over many paragraphs are counted run by run from the document's own
// text; a table and a picture put frame and object characters into it, which
// must not shift any paragraph's count, and a word whose middle is bold is
// still one word.
TEST_F(Statistics, ChangesOverManyParagraphsCountEachParagraphExactly)
{
    QByteArray rtf = "{\\rtf1\\ansi head\\par\\trowd\\cellx1000\\cellx2000 a b\\cell c\\cell\\row\\pard ";
    for (int i = 0; i < 150; ++i)
        rtf += "line " + QByteArray::number(i) + " caf\\'e9 wo{\\b rd}s\\par ";
    QImage image(2, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    rtf += "{\\pict\\pngblip " + png.data().toHex() + "} tail}";
    editor.loadRichText(rtf);

    const auto blockByBlock = [this] {
        TextCounts counts;
        qint64 blocks = 0;
        for (QTextBlock b = editor.document()->begin(); b.isValid(); b = b.next(), ++blocks)
            counts += countText(b.text());
        counts.bytes += 2 * (blocks - 1);
        return counts;
    };
    ASSERT_GT(editor.document()->blockCount(), 100);
    EXPECT_EQ(statistics.total(), blockByBlock());

    // One edit block from the second paragraph to near the end, as Replace All makes.
    QTextCursor cursor(editor.document());
    cursor.beginEditBlock();
    for (QTextBlock b = editor.document()->begin().next(); b.isValid(); b = b.next()) {
        if (!b.text().startsWith(QLatin1String("line")))
            continue;
        cursor.setPosition(b.position());
        cursor.insertText(QStringLiteral("new "));
    }
    cursor.endEditBlock();
    EXPECT_EQ(statistics.total(), blockByBlock());

    editor.undo();
    EXPECT_EQ(statistics.total(), blockByBlock());
}

TEST_F(Statistics, ANewDocumentIsCountedAfresh)
{
    editor.setText("some words here");
    editor.loadRichText("{\\rtf1\\ansi hello rich world\\par second}");
    expectFullCount();
    editor.setText("x");
    expectFullCount();
}

}  // namespace

namespace {

// Hidden text is neither shown nor counted, in the whole text, in a
// selection across it, and after typing next to it.
TEST_F(Statistics, HiddenTextCountsNowhere)
{
    ASSERT_TRUE(editor.loadRichText("{\\rtf1\\ansi one{\\v  secret words} two\\par{\\v hidden line}\\par three}"));
    // "one two", "", "three": the breaks count as CR LF.
    EXPECT_EQ(statistics.total(), countText(QStringLiteral("one two\r\n\r\nthree")));

    const int secret = int(editor.text().indexOf(QLatin1String("secret")));
    editor.setSelStart(0);
    editor.setSelLength(secret + 6);
    EXPECT_EQ(statistics.selectionOrTotal(), countText(QStringLiteral("one")));

    QTextCursor cursor(editor.document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral(" four"));
    editor.setSelLength(0);
    EXPECT_EQ(statistics.total(), countText(QStringLiteral("one two\r\n\r\nthree four")));
}

}  // namespace
