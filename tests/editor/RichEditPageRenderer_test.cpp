// The printer's copy is built as the pages reach it: the pages are the ones a
// copy of the whole range made at the start gives, and an edit of the
// document during the job changes none of them.
#include "support/CutClone.h"

#include "editor/RichEditPageRenderer.h"

#include <QImage>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

#include <memory>

namespace qp {
namespace {

// Two hundred paragraphs in varied formats, with lists that run across pages
// and across the paragraphs the copy takes at a time.
void fill(QTextDocument& doc)
{
    QTextCursor c(&doc);
    QTextList* numbers = nullptr;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    for (int i = 0; i < 200; ++i) {
        QTextBlockFormat paragraph;
        paragraph.setLeftMargin(i % 4 * 8);
        paragraph.setTopMargin(i % 5 == 0 ? 10 : 0);
        QTextCharFormat own;
        own.setFontPointSize(8 + i % 5);
        if (i > 0)
            c.insertBlock(paragraph, own);
        else
            c.setBlockFormat(paragraph);
        if (i % 7 >= 3) {
            if (numbers)
                numbers->add(c.block());
            else
                numbers = c.createList(QTextListFormat::ListDecimal);
        }
        c.insertText(QStringLiteral("Paragraph %1 of the chapter, with some words that wrap ").arg(i), own);
        c.insertText(QStringLiteral("and a bold ending to it."), bold);
    }
}

struct Page {
    int next;
    QImage image;
};

const QRectF kBody(30, 30, 500, 320);

// A blank sheet of 150 dots per inch.
QImage sheet()
{
    QImage image(560, 380, QImage::Format_RGB32);
    image.setDotsPerMeterX(5906);
    image.setDotsPerMeterY(5906);
    image.fill(Qt::white);
    return image;
}

// Pages from `from` to the range's end.
std::vector<Page> printPages(RichEditPageRenderer& renderer, int from, int pages,
                             const std::function<void(int page)>& betweenPages = {})
{
    std::vector<Page> result;
    for (int page = 0; page < pages && from < renderer.length(); ++page) {
        if (betweenPages)
            betweenPages(page);
        QImage image = sheet();
        QPainter painter(&image);
        const int next = renderer.render(&painter, image, kBody, from);
        painter.end();
        result.push_back({next, image});
        from = next;
    }
    return result;
}

void expectSamePages(const std::vector<Page>& actual, const std::vector<Page>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].next, expected[i].next) << "page " << i + 1;
        EXPECT_TRUE(actual[i].image == expected[i].image) << "page " << i + 1;
    }
}

TEST(RichEditPageRenderer, PagesOfARangeAreThoseOfItsCopyTakenWhole)
{
    QTextDocument source;
    fill(source);
    const int from = source.findBlockByNumber(12).position() + 9;
    const int to = source.findBlockByNumber(181).position() + 4;
    // What a job used to print from: a clone cut to the range.
    const std::unique_ptr<QTextDocument> cut = test::cutClone(source, from, to);

    RichEditPageRenderer whole(*cut, 0, cut->characterCount() - 1);
    RichEditPageRenderer range(source, from, to);
    ASSERT_EQ(range.length(), whole.length());
    const std::vector<Page> expected = printPages(whole, 0, 1000);
    ASSERT_GT(expected.size(), 6u) << "the lists run across pages";
    EXPECT_EQ(expected.back().next, whole.length());
    expectSamePages(printPages(range, 0, 1000), expected);

    // A job that starts at a later page (a range of pages) measures its way there first.
    RichEditPageRenderer later(source, from, to);
    QImage measured = sheet();
    EXPECT_EQ(later.render(nullptr, measured, kBody, 0), expected[0].next);
    expectSamePages(printPages(later, expected[2].next, 1000),
                    std::vector<Page>(expected.begin() + 3, expected.end()));
}

// The document changes while the job is under way: what is printed is the
// text as it was when the job started, never part old and part new.
TEST(RichEditPageRenderer, EditsDuringTheJobChangeNoPage)
{
    const std::pair<const char*, std::function<void(QTextDocument&)>> edits[] = {
        {"typing at the start", [](QTextDocument& d) { QTextCursor(&d).insertText(QStringLiteral("More words. ")); }},
        {"the rest deleted",
         [](QTextDocument& d) {
             QTextCursor c(&d);
             c.setPosition(d.findBlockByNumber(20).position());
             c.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
             c.removeSelectedText();
         }},
        {"bigger letters",
         [](QTextDocument& d) {
             QTextCursor c(&d);
             c.select(QTextCursor::Document);
             QTextCharFormat big;
             big.setFontPointSize(30);
             c.mergeCharFormat(big);
         }},
    };
    QTextDocument untouched;
    fill(untouched);
    RichEditPageRenderer reference(untouched, 0, untouched.characterCount() - 1);
    const std::vector<Page> expected = printPages(reference, 0, 1000);
    for (const auto& [name, edit] : edits) {
        SCOPED_TRACE(name);
        QTextDocument source;
        fill(source);
        RichEditPageRenderer renderer(source, 0, source.characterCount() - 1);
        expectSamePages(printPages(renderer, 0, 1000, [&, edit = edit](int page) {
                            if (page == 1)
                                edit(source);
                        }),
                        expected);
    }
}

}  // namespace
}  // namespace qp
