#include "support/QtPrinters.h"

#include "editor/DocumentText.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfTextProperties.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

#include <memory>

namespace qp {
namespace {

QByteArray writeRtf(const QTextDocument& doc)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    RtfWriter writer;
    EXPECT_TRUE(writer.write(&buffer, &doc)) << writer.errorString().toStdString();
    return bytes;
}

std::unique_ptr<QTextDocument> readRtf(const QByteArray& rtf)
{
    auto doc = std::make_unique<QTextDocument>();
    QByteArray bytes = rtf;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    RtfReader reader;
    EXPECT_TRUE(reader.read(&buffer, doc.get())) << reader.errorString().toStdString();
    return doc;
}

QString textOf(const QTextDocument& doc)
{
    return doc.toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(QP_TEST_DATA_DIR "/rtf/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Everything the codec promises to keep, one line per run and paragraph, so
// that two documents compare with a readable difference.
QStringList describe(const QTextDocument& doc)
{
    QStringList lines;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat b = block.blockFormat();
        QStringList tabs;
        for (const QTextOption::Tab& t : b.tabPositions())
            tabs << QStringLiteral("%1/%2").arg(t.position).arg(int(t.type));
        const QTextList* list = block.textList();
        const QString listLook = list ? QStringLiteral("%1/%2/%3/%4")
                                            .arg(int(list->format().style()))
                                            .arg(list->format().indent())
                                            .arg(listStart(list->format()))
                                            .arg(listItemLabel(block))
                                      : QStringLiteral("0");
        lines << QStringLiteral("P align=%1 fi=%2 li=%3 ri=%4 sb=%5 sa=%6 lh=%7/%8 tabs=%9 list=%10 page=%11")
                     .arg(int(b.alignment() & Qt::AlignHorizontal_Mask))
                     .arg(b.textIndent())
                     .arg(b.leftMargin())
                     .arg(b.rightMargin())
                     .arg(b.topMargin())
                     .arg(b.bottomMargin())
                     .arg(b.lineHeightType())
                     .arg(b.lineHeight())
                     .arg(tabs.join(QLatin1Char(',')))
                     .arg(listLook)
                     .arg(int(b.pageBreakPolicy()));
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.isImageFormat()) {
                const QTextImageFormat image = f.toImageFormat();
                const QImage content = doc.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
                lines << QStringLiteral("  image %1x%2 of %3x%4 top-left %5")
                             .arg(image.width())
                             .arg(image.height())
                             .arg(content.width())
                             .arg(content.height())
                             .arg(content.isNull() ? 0 : content.pixel(0, 0), 0, 16);
                continue;
            }
            lines << QStringLiteral("  [%1] %2 %3pt w%4 i%5 u%6 s%7 fg=%8 bg=%9 v%10 href=%11 hidden=%12 caps=%13")
                         .arg(it.fragment().text(),
                              f.fontFamilies().toStringList().value(0))
                         .arg(f.fontPointSize())
                         .arg(f.fontWeight())
                         .arg(f.fontItalic())
                         .arg(f.fontUnderline())
                         .arg(f.fontStrikeOut())
                         .arg(f.foreground().style() == Qt::NoBrush ? QStringLiteral("-") : f.foreground().color().name())
                         .arg(f.background().style() == Qt::NoBrush ? QStringLiteral("-") : f.background().color().name())
                         .arg(int(f.verticalAlignment()))
                         .arg(f.anchorHref())
                         .arg(isHiddenText(f))
                         .arg(int(f.fontCapitalization()));
        }
    }
    return lines;
}

QTextCharFormat font(const char* family, double points)
{
    QTextCharFormat f;
    f.setFontFamilies({QString::fromLatin1(family)});
    f.setFontPointSize(points);
    return f;
}

// A document that holds one of everything the codec supports.
std::unique_ptr<QTextDocument> richDocument()
{
    auto doc = std::make_unique<QTextDocument>();
    QTextCursor c(doc.get());
    const QTextCharFormat base = font("Arial", 12);
    auto with = [&](auto change) {
        QTextCharFormat f = base;
        change(f);
        return f;
    };
    c.insertText(QStringLiteral("Plain "), base);
    c.insertText(QStringLiteral("bold "), with([](QTextCharFormat& f) { f.setFontWeight(QFont::Bold); }));
    c.insertText(QStringLiteral("italic "), with([](QTextCharFormat& f) { f.setFontItalic(true); }));
    c.insertText(QStringLiteral("under "), with([](QTextCharFormat& f) { f.setFontUnderline(true); }));
    c.insertText(QStringLiteral("strike "), with([](QTextCharFormat& f) { f.setFontStrikeOut(true); }));
    c.insertText(QStringLiteral("red "), with([](QTextCharFormat& f) { f.setForeground(QColor(200, 10, 10)); }));
    c.insertText(QStringLiteral("marked "), with([](QTextCharFormat& f) { f.setBackground(QColor(255, 255, 0)); }));
    c.insertText(QStringLiteral("H"), base);
    c.insertText(QStringLiteral("2"), with([](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSubScript); }));
    c.insertText(QStringLiteral("O x"), base);
    c.insertText(QStringLiteral("2"), with([](QTextCharFormat& f) { f.setVerticalAlignment(QTextCharFormat::AlignSuperScript); }));
    c.insertText(QStringLiteral(" Big Times"), font("Times New Roman", 20.5));
    c.insertText(QStringLiteral(" hidden note"), with([](QTextCharFormat& f) { f.setProperty(textprop::Hidden, true); }));
    c.insertText(QStringLiteral(" capitals"), with([](QTextCharFormat& f) { f.setFontCapitalization(QFont::AllUppercase); }));
    c.insertText(QStringLiteral(" small capitals"), with([](QTextCharFormat& f) { f.setFontCapitalization(QFont::SmallCaps); }));
    c.insertText(QStringLiteral(" {braces} \\back\\slash\\ caf\u00E9 \u041F\u0440\u0438\u0432\u0435\u0442 \u65E5\u672C \U0001F600"
                                "\ttab\u00A0nbsp\u00ADsoft\u2011hard\u2028next line"),
                 base);

    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setLeftMargin(48);
    centred.setRightMargin(20);
    centred.setTextIndent(-24);
    centred.setTopMargin(8);
    centred.setBottomMargin(16);
    centred.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    centred.setTabPositions({QTextOption::Tab(48, QTextOption::LeftTab), QTextOption::Tab(192, QTextOption::RightTab),
                             QTextOption::Tab(288, QTextOption::CenterTab)});
    c.insertBlock(centred, base);
    c.insertText(QStringLiteral("Centred\twith\ttabs"), base);

    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    right.setLineHeight(20, QTextBlockFormat::MinimumHeight);
    right.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    c.insertBlock(right, base);
    c.insertText(QStringLiteral("Right, on a new page"), base);

    QTextBlockFormat justified;
    justified.setAlignment(Qt::AlignJustify);
    justified.setLineHeight(18, QTextBlockFormat::FixedHeight);
    c.insertBlock(justified, base);
    c.insertText(QStringLiteral("Justified"), base);

    c.insertBlock(QTextBlockFormat(), base);
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    c.createList(bullets);
    c.insertText(QStringLiteral("First bullet"), base);
    c.insertBlock();
    c.insertText(QStringLiteral("Second bullet"), base);

    c.insertBlock(QTextBlockFormat(), base);
    QTextListFormat numbers;
    numbers.setStyle(QTextListFormat::ListDecimal);
    c.createList(numbers);
    c.insertText(QStringLiteral("First number"), base);
    c.insertBlock();
    c.insertText(QStringLiteral("Second number"), base);

    // Three levels: numbers from 7, letters in parentheses, a bullet of its own.
    c.insertBlock(QTextBlockFormat(), base);
    QTextListFormat outer;
    outer.setStyle(QTextListFormat::ListDecimal);
    outer.setProperty(textprop::ListStart, 7);
    QTextList* outerList = c.createList(outer);
    c.insertText(QStringLiteral("Seventh"), base);
    QTextListFormat inner;
    inner.setStyle(QTextListFormat::ListLowerAlpha);
    inner.setIndent(2);
    inner.setNumberPrefix(QStringLiteral("("));
    inner.setNumberSuffix(QStringLiteral(")"));
    c.insertBlock(QTextBlockFormat(), base);
    c.createList(inner);
    c.insertText(QStringLiteral("inner a"), base);
    QTextListFormat dash;
    dash.setStyle(QTextListFormat::ListDisc);
    dash.setIndent(3);
    dash.setProperty(textprop::ListBullet, QStringLiteral("\u2043"));
    c.insertBlock(QTextBlockFormat(), base);
    c.createList(dash);
    c.insertText(QStringLiteral("dash"), base);
    c.insertBlock(QTextBlockFormat(), base);
    outerList->add(c.block());
    c.insertText(QStringLiteral("Eighth"), base);
    c.insertBlock(QTextBlockFormat(), base);
    c.createList(inner);
    c.insertText(QStringLiteral("inner again a"), base);

    c.insertBlock(QTextBlockFormat(), base);
    c.insertText(QStringLiteral("Visit "), base);
    c.insertText(QStringLiteral("the site"), with([](QTextCharFormat& f) {
        f.setAnchor(true);
        f.setAnchorHref(QStringLiteral("https://example.org/a b?q=x&y={1}"));
        f.setFontUnderline(true);
    }));
    c.insertText(QStringLiteral(" or "), base);
    c.insertText(QStringLiteral("the top"), with([](QTextCharFormat& f) {
        f.setAnchor(true);
        f.setAnchorHref(QStringLiteral("#top"));
    }));

    c.insertBlock(QTextBlockFormat(), base);
    QImage image(3, 5, QImage::Format_ARGB32);
    image.fill(qRgba(0, 0, 255, 255));
    image.setPixel(0, 0, qRgba(10, 20, 30, 255));
    doc->addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:pic")), image);
    QTextImageFormat picture;
    picture.setName(QStringLiteral("mem:pic"));
    picture.setWidth(30);
    picture.setHeight(50);
    c.insertText(QStringLiteral("Picture: "), base);
    c.insertImage(picture);

    c.insertBlock(QTextBlockFormat(), base);  // an empty last paragraph
    return doc;
}

TEST(RtfWriter, ReadingWhatWeWroteGivesTheSameDocument)
{
    const auto original = richDocument();
    const auto copy = readRtf(writeRtf(*original));
    EXPECT_EQ(textOf(*copy), textOf(*original));
    const QStringList expected = describe(*original);
    const QStringList actual = describe(*copy);
    EXPECT_EQ(actual.join(QLatin1Char('\n')).toStdString(), expected.join(QLatin1Char('\n')).toStdString());
}

TEST(RtfWriter, SecondWriteIsByteForByteTheFirst)
{
    QList<QByteArray> inputs = {fixture("wordstyle.rtf"), fixture("cp1251.rtf"), fixture("shiftjis.rtf"), writeRtf(*richDocument()),
                                QByteArray(R"({\rtf1 {\pntext 1.\tab}loose marker\par\trowd\intbl a\cell b\cell\row})")};
    for (const QByteArray& input : inputs) {
        ASSERT_FALSE(input.isEmpty());
        const QByteArray first = writeRtf(*readRtf(input));
        const QByteArray second = writeRtf(*readRtf(first));
        EXPECT_EQ(second.toStdString(), first.toStdString());
    }
}

struct TextCase {
    const char* name;
    QString text;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class RtfWriterText : public ::testing::TestWithParam<TextCase> {};

TEST_P(RtfWriterText, ParagraphsSurviveExactly)
{
    QTextDocument doc;
    doc.setPlainText(GetParam().text);
    const QByteArray rtf = writeRtf(doc);
    EXPECT_EQ(rtf.count("\\par\n"), doc.blockCount()) << "one \\par per paragraph";
    EXPECT_EQ(textOf(*readRtf(rtf)), textOf(doc));
}

INSTANTIATE_TEST_SUITE_P(Texts, RtfWriterText,
                         ::testing::Values(TextCase{"empty", QString()}, TextCase{"oneWord", QStringLiteral("a")},
                                           TextCase{"trailingEmptyParagraph", QStringLiteral("a\n")},
                                           TextCase{"onlyEmptyParagraphs", QStringLiteral("\n\n")},
                                           TextCase{"twoParagraphs", QStringLiteral("a\nb")},
                                           TextCase{"controlCharacters", QStringLiteral("a\x01z\x1f")},
                                           TextCase{"wordsThatLookLikeControlWords", QStringLiteral("\tpar\u00E9par 12 -3")}));

TEST(RtfWriter, WritesAWellFormedAsciiFile)
{
    const QByteArray rtf = writeRtf(*richDocument());
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0")) << rtf.left(40).toStdString();
    EXPECT_TRUE(rtf.endsWith("}\n"));
    for (char c : rtf)
        ASSERT_TRUE(static_cast<unsigned char>(c) < 0x80) << "only 7-bit bytes";

    // Braces balance once escapes are taken out, and the body group is the
    // whole file.
    QByteArray bare = rtf;
    bare.replace("\\\\", "").replace("\\{", "").replace("\\}", "");
    int depth = 0;
    for (qsizetype i = 0; i < bare.size(); ++i) {
        depth += bare[i] == '{' ? 1 : bare[i] == '}' ? -1 : 0;
        ASSERT_GE(depth, 0);
        if (depth == 0) {
            EXPECT_EQ(bare.mid(i).trimmed(), QByteArray("}"));
            break;
        }
    }
    EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0"));
    EXPECT_TRUE(rtf.contains("{\\colortbl;"));
    EXPECT_TRUE(rtf.contains("caf\\u233\\'e9")) << "Unicode with the code-page byte after it";
    EXPECT_TRUE(rtf.contains("\\u1055\\'3f")) << "a question mark where the code page has no byte";
    EXPECT_TRUE(rtf.contains("\\u-10179\\'3f\\u-8704\\'3f")) << "characters beyond 16 bits as surrogates";
    EXPECT_TRUE(rtf.contains("\\{braces\\}"));
    EXPECT_TRUE(rtf.contains("\\\\back\\\\slash\\\\"));
    EXPECT_TRUE(rtf.contains("{\\pict\\pngblip"));
    EXPECT_TRUE(rtf.contains("HYPERLINK"));
    EXPECT_FALSE(rtf.contains("\\par\n\\par\n}")) << "no extra empty paragraph at the end";
}

// A reader that does not know list tables shows the \listtext labels
// instead, so they must read as the visible numbers and letters.
TEST(RtfWriter, ListMarkersReadAsTextWithoutTheListGroups)
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("intro"));
    for (const auto style : {QTextListFormat::ListDecimal, QTextListFormat::ListLowerAlpha}) {
        cursor.insertBlock();
        QTextList* list = cursor.createList(style);
        cursor.insertText(QStringLiteral("one"));
        cursor.insertBlock();
        list->add(cursor.block());
        cursor.insertText(QStringLiteral("two"));
        cursor.insertBlock(QTextBlockFormat());
        cursor.insertText(QStringLiteral("between"));
    }
    const QByteArray rtf = writeRtf(doc);
    EXPECT_FALSE(QRegularExpression(QStringLiteral(R"(\\listtext[0-9A-Za-z-])")).match(QString::fromLatin1(rtf)).hasMatch())
        << rtf.toStdString();

    QString withoutListGroups = QString::fromLatin1(rtf);
    const qsizetype tables = withoutListGroups.indexOf(QLatin1String("{\\*\\listtable"));
    const qsizetype body = withoutListGroups.indexOf(QLatin1String("\\pard"));
    ASSERT_GE(tables, 0);
    withoutListGroups.remove(tables, body - tables).remove(QRegularExpression(QStringLiteral(R"(\\(ls|ilvl)[0-9]+)")));
    ASSERT_FALSE(withoutListGroups.contains(QLatin1String("\\ls")));
    EXPECT_EQ(textOf(*readRtf(withoutListGroups.toLatin1())),
              QStringLiteral("intro\n1.\tone\n2.\ttwo\nbetween\na.\tone\nb.\ttwo\nbetween"));
}

// Levels that show the numbers of the items above them ("2.1", "2.2.1") are
// written as one list whose level texts hold those numbers as placeholders,
// text between items or not, so that other programs number the outline too;
// a prefix that is not those numbers stays text.
TEST(RtfWriter, OutlineNumbersAreLevelPlaceholdersOfOneList)
{
    const auto doc = readRtf(
        R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}{\levelnumbers\'01;}})"
        R"({\listlevel\levelnfc0{\leveltext\'03\'00.\'01;}{\levelnumbers\'01\'03;}})"
        R"({\listlevel\levelnfc0{\leveltext\'05\'00.\'01.\'02;}{\levelnumbers\'01\'03\'05;}}\listid1})"
        R"({\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}}{\listlevel\levelnfc0{\leveltext\'03A-\'01;}{\levelnumbers\'03;}}\listid2}})"
        R"({\*\listoverridetable{\listoverride\listid1\ls1}{\listoverride\listid2\ls2}})"
        R"(\pard\ls1 one\par\pard text\par\pard\ls1\ilvl1 first\par\pard\ls1\ilvl2 deep\par)"
        R"(\pard\ls1 two\par\pard text\par\pard\ls1\ilvl1 second\par\pard\ls2\ilvl1 other\par})");
    ASSERT_EQ(plainTextOf(*doc), "1.\tone\ntext\n\t1.1\tfirst\n\t\t1.1.1\tdeep\n2.\ttwo\ntext\n\t2.1\tsecond\n\tA-1\tother");
    const QString rtf = QString::fromLatin1(writeRtf(*doc));
    EXPECT_TRUE(rtf.contains(QLatin1String(R"({\leveltext\'03\'00.\'01;}{\levelnumbers\'01\'03;})"))) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains(QLatin1String(R"({\leveltext\'05\'00.\'01.\'02;}{\levelnumbers\'01\'03\'05;})"))) << rtf.toStdString();
    EXPECT_TRUE(rtf.contains(QLatin1String(R"({\leveltext\'03A-\'01;}{\levelnumbers\'03;})"))) << rtf.toStdString();
    QStringList lists;
    for (const auto& match : QRegularExpression(QStringLiteral(R"(\\pard[^ ]*(\\ls[0-9]+\\ilvl[0-9]))")).globalMatch(rtf))
        lists << match.captured(1);
    EXPECT_EQ(lists.join(' '), R"(\ls1\ilvl0 \ls1\ilvl1 \ls1\ilvl2 \ls1\ilvl0 \ls1\ilvl1 \ls2\ilvl1)");
    EXPECT_EQ(plainTextOf(*readRtf(rtf.toLatin1())), plainTextOf(*doc));
}

TEST(RtfWriter, DefaultFontOfTheDocumentIsTheFirstFont)
{
    QTextDocument doc;
    doc.setDefaultFont(QFont(QStringLiteral("Courier New"), 10));
    doc.setPlainText(QStringLiteral("text"));
    const QByteArray rtf = writeRtf(doc);
    EXPECT_TRUE(rtf.contains("{\\f0\\fnil\\fcharset0 Courier New;}"));
    const auto copy = readRtf(rtf);
    const QTextCharFormat f = copy->begin().begin().fragment().charFormat();
    EXPECT_EQ(f.fontFamilies().toStringList(), QStringList{"Courier New"});
    EXPECT_DOUBLE_EQ(f.fontPointSize(), 10.0);
}

TEST(RtfWriter, ReportsAFailingDevice)
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("text"));
    QBuffer closed;
    RtfWriter writer;
    EXPECT_FALSE(writer.write(&closed, &doc));
    EXPECT_FALSE(writer.errorString().isEmpty());
}

}  // namespace
}  // namespace qp
