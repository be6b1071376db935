// A document's content taken in one pass, and copies built from it: the same
// as a clone cut to the range (what printing and recovery copied before),
// however the building is sliced, and untouched by edits made after taking it.
#include "support/CutClone.h"

#include "editor/DocumentContent.h"
#include "editor/DocumentSnapshot.h"
#include "editor/RichEdit.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

namespace qp {
namespace {

// Paragraphs of every kind the editor keeps, long enough that lists run
// across the builder's slices: formats of paragraphs and of runs, a numbered
// list that a bullet list interrupts and that resumes, empty paragraphs with
// their own character format, a line break, pictures from an image and from
// a pixmap, and an empty last paragraph.
void fill(QTextDocument& doc)
{
    doc.setIndentWidth(30);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSize(13);
    doc.setDefaultFont(font);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:image")), QImage(4, 3, QImage::Format_RGB32));
    QPixmap pixmap(5, 2);
    pixmap.fill(Qt::red);
    doc.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("mem:pixmap")), pixmap);

    QTextCursor c(&doc);
    QTextCharFormat heading;
    heading.setFontPointSize(20);
    heading.setFontWeight(QFont::Bold);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    centred.setBottomMargin(12);
    c.setBlockFormat(centred);
    c.setBlockCharFormat(heading);
    c.insertText(QStringLiteral("Chapter One"), heading);
    QTextList* numbers = nullptr;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    for (int i = 1; i <= 90; ++i) {
        QTextBlockFormat paragraph;
        paragraph.setLeftMargin(i % 3 * 10);
        paragraph.setTextIndent(i % 2 ? 15 : 0);
        QTextCharFormat own;
        own.setFontPointSize(9 + i % 4);
        c.insertBlock(paragraph, own);
        if (i % 10 == 4) {
            continue;  // empty, in its own character format
        }
        if (i % 10 >= 5 && i % 10 <= 8) {
            if (i % 10 == 7) {
                c.createList(QTextListFormat::ListDisc);
            } else if (numbers) {
                numbers->add(c.block());
            } else {
                QTextListFormat decimal;
                decimal.setStyle(QTextListFormat::ListDecimal);
                decimal.setNumberSuffix(QStringLiteral(")"));
                numbers = c.createList(decimal);
            }
        }
        c.insertText(QStringLiteral("Paragraph %1 starts plain, ").arg(i), own);
        c.insertText(QStringLiteral("turns bold"), bold);
        c.insertText(QStringLiteral(", then italic\u2028after a line break"), italic);
        if (i % 30 == 0) {
            QTextImageFormat picture;
            picture.setName(i % 60 ? QStringLiteral("mem:image") : QStringLiteral("mem:pixmap"));
            c.insertImage(picture);
        }
    }
    c.insertBlock(QTextBlockFormat(), heading);
}

QTextFormat withoutObject(QTextFormat format)
{
    format.setObjectIndex(-1);
    return format;
}

QImage pictureOf(const QTextDocument& doc, const QString& name)
{
    const QVariant data = doc.resource(QTextDocument::ImageResource, QUrl(name));
    return data.typeId() == QMetaType::QPixmap ? data.value<QPixmap>().toImage() : data.value<QImage>();
}

// The runs of a paragraph, neighbours of one format joined.
std::vector<std::pair<QString, QTextCharFormat>> runsOf(const QTextBlock& block)
{
    std::vector<std::pair<QString, QTextCharFormat>> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!runs.empty() && runs.back().second == fragment.charFormat())
            runs.back().first += fragment.text();
        else
            runs.emplace_back(fragment.text(), fragment.charFormat());
    }
    return runs;
}

// Everything printing and RTF read: text, formats, lists and their numbers, pictures, document settings.
void expectSameDocument(const QTextDocument& expected, const QTextDocument& actual)
{
    ASSERT_EQ(actual.toRawText(), expected.toRawText());
    ASSERT_EQ(actual.blockCount(), expected.blockCount());
    EXPECT_EQ(actual.defaultFont(), expected.defaultFont());
    EXPECT_EQ(actual.indentWidth(), expected.indentWidth());
    EXPECT_EQ(actual.rootFrame()->frameFormat(), expected.rootFrame()->frameFormat());
    EXPECT_EQ(actual.defaultTextOption().tabStopDistance(), expected.defaultTextOption().tabStopDistance());
    std::map<const QTextList*, const QTextList*> lists;
    for (QTextBlock e = expected.begin(), a = actual.begin(); e.isValid(); e = e.next(), a = a.next()) {
        SCOPED_TRACE("paragraph " + std::to_string(e.blockNumber()) + ": " + e.text().toStdString());
        EXPECT_EQ(withoutObject(a.blockFormat()), withoutObject(e.blockFormat()));
        EXPECT_EQ(a.charFormat(), e.charFormat());
        EXPECT_TRUE(runsOf(a) == runsOf(e));
        ASSERT_EQ(a.textList() != nullptr, e.textList() != nullptr);
        if (e.textList()) {
            EXPECT_EQ(a.textList()->format(), e.textList()->format());
            EXPECT_EQ(a.textList()->itemNumber(a), e.textList()->itemNumber(e));
            const auto [it, added] = lists.emplace(e.textList(), a.textList());
            EXPECT_EQ(it->second, a.textList()) << "one list of the original is one list of the copy";
        }
        for (auto it = e.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat()) {
                const QString name = format.toImageFormat().name();
                EXPECT_EQ(pictureOf(actual, name), pictureOf(expected, name)) << name.toStdString();
            }
        }
    }
}

using test::cutClone;

std::unique_ptr<QTextDocument> build(const QTextDocument& source, int from, int to, int slice)
{
    auto copy = std::make_unique<QTextDocument>();
    DocumentBuilder builder(DocumentContent::of(source), *copy, from, to);
    EXPECT_EQ(builder.length(), to - from);
    while (builder.append(slice)) {
    }
    EXPECT_TRUE(builder.done());
    return copy;
}

struct RangeCase {
    const char* name;
    std::function<int(const QTextDocument&)> from;
    std::function<int(const QTextDocument&)> to;
};

void PrintTo(const RangeCase& c, std::ostream* out)
{
    *out << c.name;
}

int at(const QTextDocument& doc, int block, int offset = 0)
{
    return doc.findBlockByNumber(block).position() + offset;
}

const RangeCase kRanges[] = {
    {"Whole", [](const auto&) { return 0; }, [](const auto& d) { return d.characterCount() - 1; }},
    {"MidParagraphToMidParagraph", [](const auto& d) { return at(d, 3, 5); }, [](const auto& d) { return at(d, 77, 9); }},
    {"ParagraphStartToParagraphStart", [](const auto& d) { return at(d, 6); }, [](const auto& d) { return at(d, 48); }},
    {"InsideAListToTheEnd", [](const auto& d) { return at(d, 17, 2); }, [](const auto& d) { return d.characterCount() - 1; }},
    {"FromAnEmptyParagraph", [](const auto& d) { return at(d, 14); }, [](const auto& d) { return at(d, 40, 1); }},
    {"ToTheLastParagraphsStart", [](const auto& d) { return at(d, 2); }, [](const auto& d) { return at(d, d.blockCount() - 1); }},
    {"InsideOneParagraph", [](const auto& d) { return at(d, 30, 3); }, [](const auto& d) { return at(d, 30, 20); }},
    {"JustTheSeparator", [](const auto& d) { return at(d, 31) - 1; }, [](const auto& d) { return at(d, 31); }},
};

class DocumentCopyRanges : public ::testing::TestWithParam<RangeCase> {};

TEST_P(DocumentCopyRanges, AreTheCutCloneHoweverSliced)
{
    QTextDocument source;
    fill(source);
    const int from = GetParam().from(source);
    const int to = GetParam().to(source);
    ASSERT_LT(from, to);
    const auto expected = cutClone(source, from, to);
    for (const int slice : {1, 7, 100000}) {
        SCOPED_TRACE("slices of " + std::to_string(slice));
        expectSameDocument(*expected, *build(source, from, to, slice));
    }
}

INSTANTIATE_TEST_SUITE_P(, DocumentCopyRanges, ::testing::ValuesIn(kRanges),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DocumentCopy, AnEmptyDocumentKeepsItsParagraphFormats)
{
    QTextDocument source;
    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    QTextCharFormat large;
    large.setFontPointSize(30);
    QTextCursor(&source).setBlockFormat(right);
    QTextCursor(&source).setBlockCharFormat(large);
    expectSameDocument(*std::unique_ptr<QTextDocument>(source.clone()), *build(source, 0, 0, 1));
}

QByteArray rtfOf(const QTextDocument& doc)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(RtfWriter().write(&buffer, &doc));
    return bytes;
}

// A rich editor holding `load`'s document, read as a file of it would be.
struct Loaded {
    RichEdit edit;
    explicit Loaded(const std::function<void(QTextDocument&)>& load)
    {
        QTextDocument doc;
        load(doc);
        EXPECT_TRUE(edit.loadRichText(rtfOf(doc)));
    }
};

std::function<void(QTextDocument&)> rtfFile(const char* name)
{
    return [name](QTextDocument& doc) {
        QFile file(QStringLiteral(QP_TEST_DATA_DIR "/rtf/") + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        ASSERT_TRUE(RtfReader().read(&file, &doc)) << name;
    };
}

// The recovery copy is the RTF a save of the document writes, byte for byte.
TEST(DocumentSnapshot, EncodesTheRtfOfTheDocumentItself)
{
    const std::pair<const char*, std::function<void(QTextDocument&)>> documents[] = {
        {"built", fill},
        {"list-nested.rtf", rtfFile("list-nested.rtf")},
        {"list-start.rtf", rtfFile("list-start.rtf")},
        {"hidden.rtf", rtfFile("hidden.rtf")},
        {"wordstyle.rtf", rtfFile("wordstyle.rtf")},
        {"corpus/picture.rtf", rtfFile("corpus/picture.rtf")},
        {"corpus/formatting.rtf", rtfFile("corpus/formatting.rtf")},
        {"corpus/lists.rtf", rtfFile("corpus/lists.rtf")},
        {"empty", [](QTextDocument&) {}},
    };
    for (const auto& [name, load] : documents) {
        SCOPED_TRACE(name);
        Loaded loaded(load);
        loaded.edit.setTextMode(TextMode::Rich);
        const QByteArray expected = rtfOf(*loaded.edit.document());
        const DocumentSnapshot snapshot = DocumentSnapshot::of(loaded.edit);
        ASSERT_TRUE(snapshot.rich);
        EXPECT_EQ(snapshot.encode(), expected);
    }
}

// Edits after the snapshot, before the writer gets to it: the copy is the
// document as it was when taken, never part one state and part another.
TEST(DocumentSnapshot, EditsAfterTakingItLeaveItAsItWas)
{
    const std::pair<const char*, std::function<void(QTextDocument&)>> edits[] = {
        {"typing at the start", [](QTextDocument& d) { QTextCursor(&d).insertText(QStringLiteral("New start. ")); }},
        {"deleting the middle",
         [](QTextDocument& d) {
             QTextCursor c(&d);
             c.setPosition(at(d, 10));
             c.setPosition(at(d, 60), QTextCursor::KeepAnchor);
             c.removeSelectedText();
         }},
        {"making all bold",
         [](QTextDocument& d) {
             QTextCursor c(&d);
             c.select(QTextCursor::Document);
             QTextCharFormat bold;
             bold.setFontWeight(QFont::Black);
             c.mergeCharFormat(bold);
         }},
        {"a list ends",
         [](QTextDocument& d) {
             for (QTextBlock b = d.begin(); b.isValid(); b = b.next()) {
                 if (QTextList* list = b.textList())
                     list->remove(b);
             }
         }},
        {"a picture changes",
         [](QTextDocument& d) {
             for (const QTextFormat& format : d.allFormats()) {
                 if (format.isImageFormat())
                     d.addResource(QTextDocument::ImageResource, QUrl(format.toImageFormat().name()),
                                   QImage(9, 9, QImage::Format_Mono));
             }
         }},
        {"everything goes", [](QTextDocument& d) { d.clear(); }},
    };
    for (const auto& [name, edit] : edits) {
        SCOPED_TRACE(name);
        Loaded loaded(fill);
        loaded.edit.setTextMode(TextMode::Rich);
        const QByteArray before = rtfOf(*loaded.edit.document());
        const DocumentSnapshot snapshot = DocumentSnapshot::of(loaded.edit);
        edit(*loaded.edit.document());
        ASSERT_NE(rtfOf(*loaded.edit.document()), before) << "the edit changes the document";
        EXPECT_EQ(snapshot.encode(), before);
    }
}

}  // namespace
}  // namespace qp
