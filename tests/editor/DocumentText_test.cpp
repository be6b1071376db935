#include "support/QtPrinters.h"

#include "editor/DocumentText.h"

#include <QImage>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

#include <gtest/gtest.h>

namespace qp {
namespace {

// intro / 1. one / • dot / 2. two / a) three / after, with a picture and a
// line break in the text.
void fill(QTextDocument& doc)
{
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("intro"));
    c.insertBlock();
    QTextList* numbers = c.createList(QTextListFormat::ListDecimal);
    c.insertText(QStringLiteral("one"));
    c.insertBlock();
    c.createList(QTextListFormat::ListDisc);
    c.insertText(QStringLiteral("dot"));
    c.insertBlock();
    numbers->add(c.block());
    c.insertText(QStringLiteral("two"));
    c.insertBlock();
    QTextListFormat letters;
    letters.setStyle(QTextListFormat::ListLowerAlpha);
    letters.setNumberSuffix(QStringLiteral(")"));
    c.createList(letters);
    c.insertText(QStringLiteral("three\u2028more"));
    c.insertBlock(QTextBlockFormat());
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:p")), QImage(2, 2, QImage::Format_RGB32));
    QTextImageFormat picture;
    picture.setName(QStringLiteral("mem:p"));
    c.insertText(QStringLiteral("af"));
    c.insertImage(picture);
    c.insertText(QStringLiteral("ter\uFFFC"));
}

TEST(DocumentText, ListParagraphsStartWithTheirLabelAndATab)
{
    QTextDocument doc;
    fill(doc);
    EXPECT_EQ(plainTextOf(doc), QStringLiteral("intro\n1.\tone\n\u2022\tdot\n2.\ttwo\na)\tthree\nmore\naf"
                                               "ter\uFFFC"))
        << "pictures leave no trace; a typed object character stays";
    EXPECT_EQ(listLabel(doc.findBlockByNumber(3)), QStringLiteral("2."));
    EXPECT_EQ(listLabel(doc.findBlockByNumber(0)), QString());
}

TEST(DocumentText, APartTakesTheLabelsOfTheParagraphsThatStartInIt)
{
    QTextDocument doc;
    fill(doc);
    const int two = doc.findBlockByNumber(3).position();
    EXPECT_EQ(plainTextOf(doc, two + 1, two + 3), QStringLiteral("wo"));
    EXPECT_EQ(plainTextOf(doc, two - 2, two + 3), QStringLiteral("t\n2.\ttwo"));
    EXPECT_EQ(plainTextOf(doc, two, two + 4), QStringLiteral("2.\ttwo\n")) << "the paragraph break is in the part";
    EXPECT_EQ(plainTextOf(doc, two, two), QString());
}

// Without lists the text is read run by run; every part must read as the
// document's characters one by one would: paragraph and line breaks as '\n',
// pictures left out, typed object characters kept, and no break for the
// document's end.
TEST(DocumentText, EveryPartOfAListlessDocumentReadsCharacterByCharacter)
{
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral("one"));
    c.insertText(QStringLiteral("two"), bold);
    c.insertBlock();
    c.insertText(QStringLiteral("th\u2028ree"));
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:p")), QImage(2, 2, QImage::Format_RGB32));
    QTextImageFormat picture;
    picture.setName(QStringLiteral("mem:p"));
    c.insertImage(picture);
    c.insertText(QStringLiteral("x\uFFFC"));
    c.insertBlock();
    c.insertBlock();
    c.insertText(QStringLiteral("end"), bold);

    const int last = doc.characterCount() - 1;
    const auto expected = [&](int from, int to) {
        QString text;
        for (int p = from; p < to; ++p) {
            const QChar ch = doc.characterAt(p);
            QTextCursor at(&doc);
            at.setPosition(p + 1);
            if (ch == QChar::ObjectReplacementCharacter && at.charFormat().isImageFormat())
                continue;
            if (ch == QChar::ParagraphSeparator && p == last)
                continue;
            text += ch == QChar::ParagraphSeparator || ch == QChar::LineSeparator ? QChar(u'\n') : ch;
        }
        return text;
    };
    EXPECT_EQ(plainTextOf(doc), QStringLiteral("onetwo\nth\nreex\uFFFC\n\nend"));
    for (int from = 0; from <= doc.characterCount(); ++from)
        for (int to = from; to <= doc.characterCount(); ++to)
            ASSERT_EQ(plainTextOf(doc, from, to), expected(from, std::min(to, doc.characterCount()))) << from << ".." << to;
}

}  // namespace
}  // namespace qp
