#include "support/QtPrinters.h"

#include "editor/DocumentText.h"
#include "rtf/RtfParser.h"
#include "rtf/RtfTextProperties.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace qp {
namespace {

std::unique_ptr<QTextDocument> readRtf(const QByteArray& rtf, bool* ok = nullptr)
{
    auto doc = std::make_unique<QTextDocument>();
    QByteArray bytes = rtf;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    RtfReader reader;
    const bool result = reader.read(&buffer, doc.get());
    if (ok)
        *ok = result;
    return doc;
}

// The document's text with '\n' between paragraphs and every other
// character (line separators, no-break spaces) as it is.
QString textOf(const QTextDocument& doc)
{
    return doc.toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(QP_TEST_DATA_DIR "/rtf/") + QLatin1String(name));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// The character format at a character offset of the document text.
QTextCharFormat formatAt(const QTextDocument& doc, int position)
{
    QTextCursor cursor(const_cast<QTextDocument*>(&doc));
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

QTextBlockFormat blockFormat(const QTextDocument& doc, int blockNumber)
{
    return doc.findBlockByNumber(blockNumber).blockFormat();
}

QByteArray writeRtf(const QTextDocument& doc)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    RtfWriter writer;
    EXPECT_TRUE(writer.write(&buffer, &doc));
    return bytes;
}

// Bytes with NULs in them, as the literal spells them.
template <std::size_t N>
QByteArray bytes(const char (&literal)[N])
{
    return QByteArray(literal, N - 1);
}

struct TextCase {
    const char* name;
    QByteArray rtf;
    QString text;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class RtfReaderText : public ::testing::TestWithParam<TextCase> {};

TEST_P(RtfReaderText, KeepsEveryWordOfTheBody)
{
    bool ok = false;
    const auto doc = readRtf(GetParam().rtf, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(textOf(*doc), GetParam().text);
}

TEST_P(RtfReaderText, WritingAndReadingAgainKeepsTheTextAndWritesTheSame)
{
    const QByteArray first = writeRtf(*readRtf(GetParam().rtf));
    const auto again = readRtf(first);
    EXPECT_EQ(textOf(*again), GetParam().text);
    EXPECT_EQ(writeRtf(*again).toStdString(), first.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Structure, RtfReaderText,
    ::testing::Values(
        TextCase{"plain", R"({\rtf1 Hello world})", "Hello world"},
        TextCase{"lastParIsNotAnExtraParagraph", R"({\rtf1 a\par b\par})", "a\nb"},
        TextCase{"textAfterLastPar", R"({\rtf1 a\par b})", "a\nb"},
        TextCase{"emptyParagraphsKept", R"({\rtf1 a\par\par b\par\par})", QStringLiteral("a\n\nb\n")},
        TextCase{"nestedGroups", R"({\rtf1 {a{b{c}}d}e})", "abcde"},
        TextCase{"escapedSpecials", R"({\rtf1 \\ \{x\}})", "\\ {x}"},
        TextCase{"lineBreaksInFileIgnored", "{\\rtf1 a\r\nb\nc}", "abc"},
        TextCase{"backslashNewlineIsPar", "{\\rtf1 a\\\nb}", "a\nb"},
        TextCase{"unknownStarredDestinationSkipped", R"({\rtf1 a{\*\mydest hidden {nested} text}b})", "ab"},
        TextCase{"unknownDestinationWithoutStarKeepsText", R"({\rtf1 a{\mydest kept}b})", "akeptb"},
        TextCase{"unknownControlWordIgnored", R"({\rtf1 a\zork12 b\zork c})", "abc"},
        TextCase{"tablesAndInfoSkipped",
                 R"({\rtf1\ansi{\fonttbl{\f0\fswiss Arial;}}{\colortbl;\red255\green0\blue0;}{\stylesheet{\s0 Normal;}}{\info{\title T}{\author A}}Body})",
                 "Body"},
        TextCase{"headersFootersAnnotationsSkipped",
                 R"({\rtf1{\header H}{\footer F}{\headerl HL}a{\footnote\ftnalt N}b{\*\atnid X}{\*\annotation A}{\annotation B}c})",
                 "abc\n\nN"},
        TextCase{"footnotesFollowTheBody",
                 R"({\rtf1 One{\super\chftn}{\footnote\pard\plain{\super\chftn} First note.} two{\super\chftn})"
                 R"({\footnote\pard\plain{\super\chftn} Second\par note.}.\par Last\par})",
                 "One1 two2.\nLast\n\n1 First note.\n2 Second\nnote."},
        TextCase{"endnotesCountApart",
                 R"({\rtf1\aftnnrlc a{\super\chftn}{\footnote\ftnalt\pard{\super\chftn} End.}b{\super\chftn}{\footnote\pard{\super\chftn} Foot.}})",
                 "aib1\n\ni End.\n1 Foot."},
        TextCase{"footnoteWithoutItsOwnNumber", R"({\rtf1 a\chftn{\footnote\pard Note}\par})", "a1\n\n1 Note"},
        TextCase{"footnoteWithAMarkOfItsOwn", R"({\rtf1 a{\super *}{\footnote\pard{\super *} Note}\par})", "a*\n\n* Note"},
        TextCase{"truncatedFootnoteKept", R"({\rtf1 a\chftn{\footnote\pard\chftn  Cut off)", "a1\n\n1 Cut off"},
        TextCase{"fieldResultKept", R"({\rtf1 see {\field{\*\fldinst{PAGE}}{\fldrslt 12}} here})", "see 12 here"},
        TextCase{"fieldWithoutResult", R"({\rtf1 a{\field{\*\fldinst{PAGE}}}b})", "ab"},
        TextCase{"symbolFieldWithEmptyResult",
                 R"({\rtf1{\fonttbl{\f0 Arial;}}a{\field{\*\fldinst SYMBOL 74 \\f "Wingdings" \\s 12}{\fldrslt }}b})", "aJb"},
        TextCase{"symbolFieldWithoutResult", R"({\rtf1 a{\field{\*\fldinst SYMBOL 0xF0B7 \\f Symbol \\h}}b})",
                 QStringLiteral("a\u00B7b")},
        TextCase{"symbolFieldUnicode", R"({\rtf1{\field{\*\fldinst {SYMBOL 8364 \\u }}{\fldrslt }}})", QStringLiteral("\u20AC")},
        TextCase{"symbolFieldShowsItsStoredResultOnce", R"({\rtf1{\field{\*\fldinst SYMBOL 169 \\f "Symbol"}{\fldrslt{\f1 \'d3}}}})",
                 QStringLiteral("\u00D3")},
        TextCase{"shapePictureOnceOnly", R"({\rtf1 a{\*\shppict{\pict\emfblip 00}}{\nonshppict{\pict\wmetafile8 00}}b})", "ab"},
        TextCase{"textBoxFollowsTheBody",
                 R"({\rtf1 Before {\shp{\*\shpinst\shpleft0{\sp{\sn shapeType}{\sv 202}}{\shptxt\pard Boxed\par words\par}}})"
                 R"({\shprslt{\*\do\dobxcolumn{\dptxbx{\pard Boxed words}}}\pard Boxed words\par}}after.\par End\par})",
                 "Before after.\nEnd\n\nBoxed\nwords"},
        TextCase{"textBoxesAndNotesInTheirOrder",
                 R"({\rtf1 a\chftn{\footnote\pard\chftn  Note}b{\shp{\*\shpinst{\shptxt Box}}}c\par})",
                 "a1bc\n\n1 Note\nBox"},
        TextCase{"pictureShapeKeepsItsResult",
                 R"({\rtf1 a{\shp{\*\shpinst{\sp{\sn shapeType}{\sv 75}}}{\shprslt shown}}b})", "ashownb"},
        TextCase{"textBoxInAHeaderStaysOut", R"({\rtf1{\header{\shp{\*\shpinst{\shptxt H}}}}Body})", "Body"},
        TextCase{"objectResultKept", R"({\rtf1 {\object\objemb{\*\objclass Paint}{\*\objdata 0102}{\result shown}}})", "shown"},
        TextCase{"unicodeDestinationPreferred", R"({\rtf1{\upr{ansi text}{\*\ud{unicode text}}}})", "unicode text"},
        TextCase{"tableCellsOnePerTab",
                 R"({\rtf1\trowd\cellx1000\cellx2000\cellx3000\pard\intbl a\cell\cell c\cell\row\pard after\par})",
                 "a\t\tc\nafter"},
        TextCase{"tableCellWithParagraphs",
                 R"({\rtf1\trowd\cellx1000\cellx2000\pard\intbl one\par two\cell three\cell\row})", "one\ntwo\tthree"},
        TextCase{"nestedTableFallbackSkipped",
                 R"({\rtf1\trowd\cellx4000\pard\intbl before\par\itap2 in1\nestcell in2\nestcell{\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow})"
                 R"({\nonesttables in1 in2\par}\pard\intbl after\cell\row})",
                 "before\nin1\tin2\nafter"},
        TextCase{"pageBreakDoesNotJoinWords", R"({\rtf1 one\page two\par})", "one\ntwo"},
        TextCase{"sectionBreak", R"({\rtf1 one\par\sect two\sect\par})", "one\ntwo\n"},
        TextCase{"textAfterRootGroupKept", R"({\rtf1 a} b})", "a b"},
        TextCase{"junkAfterTheLastBraceIgnored", bytes("{\\rtf1 a\\par b}\r\n\x01\x9c\xff\0junk}\x1a\0\0"), "a\nb"},
        TextCase{"textAfterTheLastBraceIgnored", R"({\rtf1 a\par b} trailing words)", "a\nb"}));

INSTANTIATE_TEST_SUITE_P(
    Characters, RtfReaderText,
    ::testing::Values(
        TextCase{"symbols", R"({\rtf1 a\~b\-c\_d\emdash\endash\bullet\lquote x\rquote\ldblquote y\rdblquote})",
                 QStringLiteral("a\u00A0b\u00ADc\u2011d\u2014\u2013\u2022\u2018x\u2019\u201Cy\u201D")},
        TextCase{"tabAndLine", R"({\rtf1 a\tab b\line c})", QStringLiteral("a\tb\u2028c")},
        TextCase{"ansiHex", R"({\rtf1\ansi caf\'e9 \'93q\'94})", QStringLiteral("caf\u00E9 \u201Cq\u201D")},
        TextCase{"undefinedCp1252ByteKept", R"({\rtf1\ansi a\'81b})", QStringLiteral("a\u0081b")},
        TextCase{"ansicpg1251", R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8\'e2\'e5\'f2})", QStringLiteral("Привет")},
        TextCase{"fcharset204", R"({\rtf1\ansi{\fonttbl{\f0\fnil Arial;}{\f1\fnil\fcharset204 Arial Cyr;}}\f1 \'cf\'f0\'e8 \f0 \'e9})",
                 QStringLiteral("При é")},
        TextCase{"fcharsetShiftJis", R"({\rtf1\ansi{\fonttbl{\f0\fcharset128 MS Mincho;}}\f0 \'82\'a0\'82\'a2})", QStringLiteral("あい")},
        TextCase{"ansicpg1255", R"({\rtf1\ansi\ansicpg1255 \'f9\'ec\'e5\'ed})", QStringLiteral("\u05E9\u05DC\u05D5\u05DD")},
        TextCase{"ansicpg932", R"({\rtf1\ansi\ansicpg932 \'93\'fa\'96\'7b})", QStringLiteral("日本")},
        // The code page of the current font is cached; each of these must drop it.
        TextCase{"escapesPastTheFirstSixteenBytes",
                 R"({\rtf1\ansi abcdefghijklmnopqrstuvwxyz caf\'e9 \{x\} \\ end})",
                 QStringLiteral("abcdefghijklmnopqrstuvwxyz café {x} \\ end")},
        TextCase{"fontGroupClosesBackToCyrillic",
                 R"({\rtf1\ansi{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial Cyr;}}\f1 \'cf{\f0 \'e9}\'f0})",
                 QStringLiteral("Пéр")},
        TextCase{"deffChangesBetweenTexts",
                 R"({\rtf1\ansi{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial Cyr;}}\'e9\deff1\plain \'e9})",
                 QStringLiteral("éй")},
        TextCase{"longShiftJisRun",
                 R"({\rtf1\ansi\ansicpg932 abcdefghijklmnopqrstuvwxyz\'93\'fa\'96\'7b\'93\'fa\'96\'7b})",
                 QStringLiteral("abcdefghijklmnopqrstuvwxyz日本日本")},
        TextCase{"shiftJisCutOff", R"({\rtf1\ansi\ansicpg932 a\'82})", QStringLiteral("a\uFFFD")},
        TextCase{"macRoman", R"({\rtf1\mac \'8e})", QStringLiteral("\u00E9")},
        TextCase{"fcharset0IsWindows1252InAnyPage",
                 R"({\rtf1\ansi\ansicpg936{\fonttbl{\f0\fswiss\fcharset0 Arial;}{\f1\fnil\fcharset134 SimSun;}}\f0 J\'e4rvi \'a9 \f1 \'d6\'d0})",
                 QStringLiteral("J\u00E4rvi \u00A9 \u4E2D")},
        TextCase{"symbolCharsetIsSingleByte", R"({\rtf1\ansi\ansicpg932{\fonttbl{\f0\fcharset2 Symbol;}}\f0 \'b7\'e0x})",
                 QStringLiteral("\u00B7\u00E0x")},
        TextCase{"macJapaneseCharset", R"({\rtf1\mac\ansicpg10001{\fonttbl{\f0\fnil\fcharset78 Osaka;}}\f0 \'93\'fa\'96\'7b\'fd})",
                 QStringLiteral("\u65E5\u672C\u00A9")},
        TextCase{"macJapanesePage", R"({\rtf1\mac\ansicpg10001 \'82\'a0\'ff})", QStringLiteral("\u3042\u2026")},
        TextCase{"macGreekCharset", R"({\rtf1\mac{\fonttbl{\f0\fcharset83 Athens;}}\f0 \'e1\'e2})", QStringLiteral("\u03B1\u03B2")},
        TextCase{"macTurkishPage", R"({\rtf1\mac\ansicpg10081 \'da\'dd})", QStringLiteral("\u011E\u0131")},
        TextCase{"macCentralEuropePage", R"({\rtf1\mac\ansicpg10029 \'8e\'e4})", QStringLiteral("\u00E9\u0161")},
        TextCase{"macHebrewCharset", R"({\rtf1\mac{\fonttbl{\f0\fcharset82 Raanana;}}\f0 \'e0\'e1})", QStringLiteral("\u05D0\u05D1")},
        TextCase{"unicodeWithFallback", R"({\rtf1 \u233?x})", QStringLiteral("\u00E9x")},
        TextCase{"unicodeHexFallback", R"({\rtf1 \u1055\'3f\u1088\'3f})", QStringLiteral("Пр")},
        TextCase{"uc0", R"({\rtf1\uc0 \u233 x})", QStringLiteral("\u00E9x")},
        TextCase{"uc2", R"({\rtf1\uc2 \u12354\'82\'a0x})", QStringLiteral("あx")},
        TextCase{"ucIsScopedToGroup", R"({\rtf1 {\uc2 \u233 ab}\u233 cd})", QStringLiteral("\u00E9\u00E9d")},
        TextCase{"ucSkipStopsAtGroup", R"({\rtf1\uc3 \u233{x}y})", QStringLiteral("\u00E9xy")},
        TextCase{"negativeUnicode", R"({\rtf1 \u-4064?})", QStringLiteral("\uF020")},
        TextCase{"surrogatePair", R"({\rtf1 \u-10179?\u-8704?})", QStringLiteral("\U0001F600")},
        TextCase{"loneSurrogate", R"({\rtf1 \u-10179?x})", QStringLiteral("\uFFFDx")},
        TextCase{"unicodeFontNames", R"({\rtf1{\fonttbl{\f0\fcharset128 \'82\'6c\'82\'72;}}\f0 x})", "x"},
        TextCase{"binSkipsBraces", "{\\rtf1 a{\\*\\blob\\bin3 }}}}b\\bin2 {}c}", "abc"}));

TEST(RtfReader, RefusesWhatIsNotRtfAndLeavesTheDocumentAlone)
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("keep me"));
    for (const QByteArray& bytes : {QByteArray("plain text"), QByteArray(), QByteArray("{\\rtx1 x}"), QByteArray("\x01{\\rtf1 x}")}) {
        QByteArray data = bytes;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        RtfReader reader;
        EXPECT_FALSE(reader.read(&buffer, &doc));
        EXPECT_FALSE(reader.errorString().isEmpty());
        EXPECT_EQ(doc.toPlainText(), QStringLiteral("keep me"));
    }
}

// A long read tells how far it is and stops when asked; a stopped read is a
// failed one, never taken for the whole document.
TEST(RtfReader, AWatchFollowsTheReadingAndCanStopIt)
{
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (int i = 0; i < 40000; ++i)
        rtf += "{\\b word} " + QByteArray::number(i) + "\\par\n";
    rtf += "}";
    const auto reference = readRtf(rtf);

    for (const int stopAt : {-1, 1, 3}) {
        SCOPED_TRACE(stopAt);
        QByteArray bytes = rtf;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        QTextDocument doc;
        RtfReader reader;
        QList<int> percents;
        reader.setWatch([&](int percent) {
            percents.append(percent);
            return percents.size() != stopAt;
        });
        const bool whole = reader.read(&buffer, &doc);
        EXPECT_EQ(whole, stopAt < 0) << qPrintable(reader.errorString());
        ASSERT_FALSE(percents.isEmpty());
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
        EXPECT_GE(percents.first(), 0);
        EXPECT_LE(percents.last(), 100);
        if (stopAt < 0) {
            EXPECT_GT(percents.size(), 3);
            EXPECT_EQ(doc.toPlainText(), reference->toPlainText());
        } else {
            EXPECT_EQ(percents.size(), stopAt) << "the read goes on after it was asked to stop";
            EXPECT_FALSE(reader.errorString().isEmpty());
        }
    }
}

TEST(RtfReader, ReplacesTheDocumentAndLeavesNothingToUndo)
{
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("old"));
    QByteArray data = R"({\rtf1 new})";
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    RtfReader reader;
    ASSERT_TRUE(reader.read(&buffer, &doc));
    EXPECT_EQ(doc.toPlainText(), QStringLiteral("new"));
    EXPECT_TRUE(doc.isUndoRedoEnabled());
    EXPECT_FALSE(doc.isUndoAvailable());
}

TEST(RtfReader, CodePageFixtures)
{
    const auto russian = readRtf(fixture("cp1251.rtf"));
    EXPECT_EQ(textOf(*russian), QStringLiteral("Съешь же ещё этих мягких французских булок.\nEnd"));
    const auto japanese = readRtf(fixture("shiftjis.rtf"));
    EXPECT_EQ(textOf(*japanese), QStringLiteral("日本語のテキスト。\nカタカナ"));
}

TEST(RtfReader, CharacterAttributes)
{
    const auto doc = readRtf(
        R"({\rtf1\ansi\deff0{\fonttbl{\f0\froman Times New Roman;}{\f1\fswiss Arial;}})"
        R"({\colortbl;\red255\green0\blue0;\red0\green0\blue255;\red255\green255\blue0;})"
        R"(A{\f1\fs40 B}{\b C}{\i D}{\ul E}{\uldb F}{\ulwave G}{\strike H}{\cf1 I}{\highlight3 J}{\cb2 K}{\chcbpat1 L})"
        R"({\sub M}{\super N}{\b\i\ul\plain O}{\b P\b0 Q}{\ul R\ulnone S}{\up6 T}})");
    ASSERT_EQ(textOf(*doc), QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    auto at = [&](char c) { return formatAt(*doc, textOf(*doc).indexOf(QLatin1Char(c))); };

    EXPECT_EQ(at('A').fontFamilies().toStringList(), QStringList{"Times New Roman"});
    EXPECT_DOUBLE_EQ(at('A').fontPointSize(), 12.0);
    EXPECT_EQ(at('B').fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_DOUBLE_EQ(at('B').fontPointSize(), 20.0);
    EXPECT_EQ(at('C').fontWeight(), QFont::Bold);
    EXPECT_EQ(at('A').fontWeight(), QFont::Normal);
    EXPECT_TRUE(at('D').fontItalic());
    for (char c : {'E', 'F', 'G', 'R'})
        EXPECT_TRUE(at(c).fontUnderline()) << c;
    EXPECT_FALSE(at('S').fontUnderline());
    EXPECT_TRUE(at('H').fontStrikeOut());
    EXPECT_EQ(at('I').foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(at('A').foreground().style(), Qt::NoBrush);
    EXPECT_EQ(at('J').background().color(), QColor(255, 255, 0));
    EXPECT_EQ(at('K').background().color(), QColor(0, 0, 255));
    EXPECT_EQ(at('L').background().color(), QColor(255, 0, 0));
    EXPECT_EQ(at('M').verticalAlignment(), QTextCharFormat::AlignSubScript);
    EXPECT_EQ(at('N').verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(at('T').verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(at('O').fontWeight(), QFont::Normal);
    EXPECT_FALSE(at('O').fontItalic());
    EXPECT_FALSE(at('O').fontUnderline());
    EXPECT_EQ(at('P').fontWeight(), QFont::Bold);
    EXPECT_EQ(at('Q').fontWeight(), QFont::Normal);
}

TEST(RtfReader, ParagraphAttributes)
{
    const auto doc = readRtf(
        R"({\rtf1 \ql left\par \qr right\par \qc centre\par \qj justified\par)"
        R"(\pard\fi-360\li720\ri300\sb120\sa240 indents\par)"
        R"(\pard\sl360\slmult1 onehalf\par \pard\sl300\slmult0 atleast\par \pard\sl-280\slmult0 exact\par)"
        R"(\pard\tx720\tqr\tx2880\tqc\tx4320\tqdec\tx5000 tabs\par)"
        R"(\pard plain\par})");
    ASSERT_EQ(doc->blockCount(), 10);
    EXPECT_EQ(blockFormat(*doc, 0).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_EQ(blockFormat(*doc, 1).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(blockFormat(*doc, 2).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(blockFormat(*doc, 3).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);

    const QTextBlockFormat indents = blockFormat(*doc, 4);
    EXPECT_DOUBLE_EQ(indents.textIndent(), -24.0);  // twips / 15 = pixels at 96 dpi
    EXPECT_DOUBLE_EQ(indents.leftMargin(), 48.0);
    EXPECT_DOUBLE_EQ(indents.rightMargin(), 20.0);
    EXPECT_DOUBLE_EQ(indents.topMargin(), 8.0);
    EXPECT_DOUBLE_EQ(indents.bottomMargin(), 16.0);
    EXPECT_EQ(indents.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft) << "\\pard resets the alignment";

    EXPECT_EQ(blockFormat(*doc, 5).lineHeightType(), QTextBlockFormat::ProportionalHeight);
    EXPECT_DOUBLE_EQ(blockFormat(*doc, 5).lineHeight(), 150.0);
    EXPECT_EQ(blockFormat(*doc, 6).lineHeightType(), QTextBlockFormat::MinimumHeight);
    EXPECT_DOUBLE_EQ(blockFormat(*doc, 6).lineHeight(), 20.0);
    EXPECT_EQ(blockFormat(*doc, 7).lineHeightType(), QTextBlockFormat::FixedHeight);

    const QList<QTextOption::Tab> tabs = blockFormat(*doc, 8).tabPositions();
    ASSERT_EQ(tabs.size(), 4);
    EXPECT_DOUBLE_EQ(tabs[0].position, 48.0);
    EXPECT_EQ(tabs[0].type, QTextOption::LeftTab);
    EXPECT_EQ(tabs[1].type, QTextOption::RightTab);
    EXPECT_EQ(tabs[2].type, QTextOption::CenterTab);
    EXPECT_EQ(tabs[3].type, QTextOption::DelimiterTab);

    const QTextBlockFormat plain = blockFormat(*doc, 9);
    EXPECT_TRUE(plain.tabPositions().isEmpty());
    EXPECT_DOUBLE_EQ(plain.leftMargin(), 0.0);
    EXPECT_EQ(plain.lineHeightType(), QTextBlockFormat::SingleHeight);
}

// A list item's hanging first line (LibreOffice's \fi-432\li432) is the
// room its label takes, left of the list's indent; taken again as the first
// line's indent, it would push the label off the page's left edge.
TEST(RtfReader, AListItemsHangingIndentIsTheRoomForItsLabel)
{
    const auto doc = readRtf(
        R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}}\listid1}})"
        R"({\*\listoverridetable{\listoverride\listid1\ls1}})"
        R"({\listtext 1.\tab}\pard\ls1\fi-432\li432 hanging\par{\listtext 2.\tab}\pard\ls1\fi360\li432 indented\par)"
        R"(\pard\fi-432\li432 plain\par})");
    ASSERT_EQ(doc->blockCount(), 3);
    ASSERT_TRUE(doc->begin().textList());
    EXPECT_DOUBLE_EQ(blockFormat(*doc, 0).textIndent(), 0.0);
    EXPECT_DOUBLE_EQ(blockFormat(*doc, 1).textIndent(), 24.0);
    EXPECT_DOUBLE_EQ(blockFormat(*doc, 2).textIndent(), -28.8);
}

TEST(RtfReader, ParagraphPropertiesOfTheLastParagraphSurviveTheClosingBrace)
{
    const auto doc = readRtf(R"({\rtf1 \qc centred})");
    EXPECT_EQ(blockFormat(*doc, 0).alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

struct ListCase {
    const char* name;
    QByteArray rtf;
    QString text;
    QList<QTextListFormat::Style> styles;  // per paragraph; ListStyleUndefined: not in a list
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

class RtfReaderLists : public ::testing::TestWithParam<ListCase> {};

TEST_P(RtfReaderLists, MarkersAreNeitherLostNorDoubled)
{
    const auto doc = readRtf(GetParam().rtf);
    EXPECT_EQ(textOf(*doc), GetParam().text);
    ASSERT_EQ(doc->blockCount(), GetParam().styles.size());
    for (int i = 0; i < doc->blockCount(); ++i) {
        const QTextList* list = doc->findBlockByNumber(i).textList();
        EXPECT_EQ(list ? list->format().style() : QTextListFormat::ListStyleUndefined, GetParam().styles[i]) << "paragraph " << i;
    }
}

constexpr auto None = QTextListFormat::ListStyleUndefined;

INSTANTIATE_TEST_SUITE_P(
    Lists, RtfReaderLists,
    ::testing::Values(
        ListCase{"pnBullets",
                 R"({\rtf1{\fonttbl{\f1\fnil\fcharset2 Symbol;}}\pard{\pntext\f1\'B7\tab}{\*\pn\pnlvlblt\pnf1\pnindent0{\pntxtb\'B7}}\fi-360\li720 one\par{\pntext\f1\'B7\tab}two\par\pard after\par})",
                 "one\ntwo\nafter", {QTextListFormat::ListDisc, QTextListFormat::ListDisc, None}},
        ListCase{"pnNumbers",
                 R"({\rtf1\pard{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec\pnstart1{\pntxta .}}one\par{\pntext 2.\tab}two\par})",
                 "one\ntwo", {QTextListFormat::ListDecimal, QTextListFormat::ListDecimal}},
        ListCase{"pnLetters",
                 R"({\rtf1\pard{\pntext a)\tab}{\*\pn\pnlvlbody\pnlcltr{\pntxta )}}one\par})", "one", {QTextListFormat::ListLowerAlpha}},
        ListCase{"pntextWithoutPnKeepsItsText", R"({\rtf1{\pntext 1.\tab}one\par{\pntext 2.\tab}two\par})",
                 "1.\tone\n2.\ttwo", {None, None}},
        ListCase{"listtableBullets",
                 R"({\rtf1{\*\listtable{\list\listtemplateid1{\listlevel\levelnfc23{\leveltext\'01\'b7;}{\levelnumbers;}}\listid7}})"
                 R"({\*\listoverridetable{\listoverride\listid7\listoverridecount0\ls1}})"
                 R"({\listtext\pard\plain\'b7\tab}\pard\ls1\li720\fi-360 one\par{\listtext\pard\plain\'b7\tab}\pard\ls1\li720\fi-360 two\par\pard after\par})",
                 "one\ntwo\nafter", {QTextListFormat::ListDisc, QTextListFormat::ListDisc, None}},
        ListCase{"listtableNumbersAndRoman",
                 R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}}{\listlevel\levelnfc2{\leveltext\'02\'01.;}}\listid3}})"
                 R"({\*\listoverridetable{\listoverride\listid3\ls2}})"
                 R"({\listtext 1.\tab}\pard\ls2 one\par{\listtext i.\tab}\pard\ls2\ilvl1 sub\par})",
                 "one\nsub", {QTextListFormat::ListDecimal, QTextListFormat::ListLowerRoman}},
        ListCase{"listtextWithUnknownListKeepsBulletAsList",
                 R"({\rtf1{\listtext\'b7\tab}\pard\ls9 one\par})", "one", {QTextListFormat::ListDisc}}));

// The labels a document shows, as its plain text carries them, before and
// after a write and a second read.
class RtfReaderListLabels : public ::testing::TestWithParam<TextCase> {};

TEST_P(RtfReaderListLabels, PlainTextShowsEachLabelThroughAWriteAndARead)
{
    const auto doc = readRtf(GetParam().rtf);
    EXPECT_EQ(plainTextOf(*doc), GetParam().text);
    const QByteArray first = writeRtf(*doc);
    const auto again = readRtf(first);
    EXPECT_EQ(plainTextOf(*again), GetParam().text);
    EXPECT_EQ(writeRtf(*again).toStdString(), first.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Labels, RtfReaderListLabels,
    ::testing::Values(
        TextCase{"pnNumbers",
                 R"({\rtf1\pard{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec{\pntxta .}}one\par{\pntext 2.\tab}two\par\pard after\par})",
                 "1.\tone\n2.\ttwo\nafter"},
        TextCase{"pnLettersWithAParenthesis",
                 R"({\rtf1\pard{\pntext a)\tab}{\*\pn\pnlvlbody\pnlcltr{\pntxta )}}one\par{\pntext b)\tab}two\par})", "a)\tone\nb)\ttwo"},
        TextCase{"pnRomanInParentheses",
                 R"({\rtf1\pard{\pntext (i)\tab}{\*\pn\pnlvlbody\pnlcrm{\pntxtb (}{\pntxta )}}one\par{\pntext (ii)\tab}two\par})",
                 "(i)\tone\n(ii)\ttwo"},
        TextCase{"pnBullets",
                 R"({\rtf1{\fonttbl{\f1\fnil\fcharset2 Symbol;}}\pard{\pntext\f1\'B7\tab}{\*\pn\pnlvlblt\pnf1{\pntxtb\'B7}}first\par{\pntext\f1\'B7\tab}second\par})",
                 QStringLiteral("\u2022\tfirst\n\u2022\tsecond")},
        TextCase{"listtableNumbersAndRoman",
                 R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}}{\listlevel\levelnfc2{\leveltext\'02\'01.;}}\listid3}})"
                 R"({\*\listoverridetable{\listoverride\listid3\ls2}})"
                 R"({\listtext 1.\tab}\pard\ls2 one\par{\listtext i.\tab}\pard\ls2\ilvl1 sub\par{\listtext 2.\tab}\pard\ls2 two\par})",
                 "1.\tone\n\ti.\tsub\n2.\ttwo"},
        TextCase{"pnListInterruptedByAnotherList",
                 R"({\rtf1\pard{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec{\pntxta .}}one\par)"
                 R"(\pard\li720{\pntext\'b7\tab}{\*\pn\pnlvlblt{\pntxtb\'b7}}dot\par)"
                 R"(\pard{\pntext 2.\tab}{\*\pn\pnlvlbody\pndec{\pntxta .}}two\par{\pntext 3.\tab}three\par})",
                 QStringLiteral("1.\tone\n\u2022\tdot\n2.\ttwo\n3.\tthree")},
        TextCase{"pnListInterruptedByText",
                 R"({\rtf1\pard{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec}one\par\pard between\par)"
                 R"(\pard{\pntext 2.\tab}{\*\pn\pnlvlbody\pndec}two\par})",
                 "1.\tone\nbetween\n2.\ttwo"},
        TextCase{"pnListsOneAfterTheOther",
                 R"({\rtf1\pard{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec}a\par{\pntext 2.\tab}b\par)"
                 R"(\pard{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec}c\par})",
                 "1.\ta\n2.\tb\n1.\tc"},
        TextCase{"lsListInterruptedByAnotherList",
                 R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}}\listid1}{\list{\listlevel\levelnfc23}\listid2}})"
                 R"({\*\listoverridetable{\listoverride\listid1\ls1}{\listoverride\listid2\ls2}})"
                 R"(\pard\ls1 one\par\pard\ls2 dot\par\pard\ls1 two\par})",
                 QStringLiteral("1.\tone\n\u2022\tdot\n2.\ttwo")},
        TextCase{"markersWithoutAListStayText", R"({\rtf1{\pntext 1.\tab}one\par{\pntext 2.\tab}two\par})", "1.\tone\n2.\ttwo"},
        // Start numbers from list levels, from an override and from \pnstart.
        TextCase{"startNumbers", fixture("list-start.rtf"),
                 "7.\tseventh\n8.\teighth\nbetween\nD.\tfourth letter\nE.\tfifth letter\n"
                 "(2)\tsecond in parentheses\n(3)\tthird in parentheses\n5)\told style at five\n6)\told style at six"},
        // Five levels with TextEdit's hyphen bullet, Word's Courier New "o" and
        // a Wingdings square; a level starts again after an item above it.
        TextCase{"nestedLevelsAndTheirGlyphs", fixture("list-nested.rtf"),
                 QStringLiteral("1.\tChapter one\n\ta)\tfirst scene\n\t\t\u2043\ta beat\n\t\t\to\ta detail\n"
                                "\t\t\t\t\u25AA\ta finer detail\n\tb)\tsecond scene\n2.\tChapter two\n\ta)\tits first scene\n"
                                "Notes\n\u2022\tSymbol bullet")},
        // Levels that show the numbers of the levels above them ("2.1",
        // "2.2.1"), from the list table's level texts alone ...
        TextCase{"outlineNumbersFromTheLevelTexts",
                 R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}{\levelnumbers\'01;}})"
                 R"({\listlevel\levelnfc0{\leveltext\'03\'00.\'01;}{\levelnumbers\'01\'03;}})"
                 R"({\listlevel\levelnfc4{\leveltext\'05\'00.\'01.\'02;}{\levelnumbers\'01\'03\'05;}}\listid1}})"
                 R"({\*\listoverridetable{\listoverride\listid1\ls1}})"
                 R"(\pard\ls1 one\par\pard\ls1\ilvl1 first\par\pard after\par\pard\ls1\ilvl1 second\par)"
                 R"(\pard\ls1\ilvl2 detail\par\pard\ls1\ilvl2 more\par\pard\ls1 two\par\pard\ls1\ilvl1 again\par})",
                 "1.\tone\n\t1.1\tfirst\nafter\n\t1.2\tsecond\n\t\t1.2.a\tdetail\n\t\t1.2.b\tmore\n2.\ttwo\n\t2.1\tagain"},
        // ... as the markers show them where they say more than the items
        // above (a part of a longer document) ...
        TextCase{"outlineNumbersAsTheMarkersShowThem",
                 R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}{\levelnumbers\'01;}})"
                 R"({\listlevel\levelnfc0{\leveltext\'03\'00.\'01;}{\levelnumbers\'01\'03;}}\listid1}})"
                 R"({\*\listoverridetable{\listoverride\listid1\ls1}})"
                 R"({\listtext 4.1\tab}\pard\ls1\ilvl1 first\par{\listtext 4.2\tab}\pard\ls1\ilvl1 second\par)"
                 R"({\listtext 5.\tab}\pard\ls1 five\par{\listtext 5.1\tab}\pard\ls1\ilvl1 third\par})",
                 "\t4.1\tfirst\n\t4.2\tsecond\n5.\tfive\n\t5.1\tthird"},
        // ... in old-style lists, whose markers are all there is ...
        TextCase{"outlineNumbersOfOldStyleLists",
                 R"({\rtf1\pard{\pntext 2.\tab}{\*\pn\pnlvlbody\pndec{\pntxta .}}two\par)"
                 R"(\pard\li720{\pntext 2.1\tab}{\*\pn\pnlvlbody\pndec}first\par{\pntext 2.2\tab}second\par)"
                 R"(\pard\li720{\pntext 3.1\tab}{\*\pn\pnlvlbody\pndec}third\par})",
                 "2.\ttwo\n2.1\tfirst\n2.2\tsecond\n3.1\tthird"},
        // ... and in LibreOffice's RTF of numbered headings
        // (list-outline-libreoffice.fodt saved as .odt, then soffice --convert-to rtf).
        TextCase{"outlineNumbersFromLibreOffice", fixture("list-outline-libreoffice.rtf"),
                 "1.\tIntroduction\nOpening words.\n2.\tMethod\n\t2.1\tSources\nBody text.\n\t2.2\tReading\n"
                 "\t\t2.2.1\tFirst pass\n\t\t2.2.2\tSecond pass\n3.\tResults\n\t3.1\tFindings\nClosing words."},
        TextCase{"hiddenText", fixture("hidden.rtf"), "She said it was Tuesday.\nVisible again\n\nend"},
        TextCase{"capitals", fixture("caps.rtf"), "chapter one and Small Capitals and plain\nall mixed both"},
        TextCase{"labelsInTheItemsFont", fixture("list-font.rtf"),
                 "Courier before the list\n1.\tArial item\n2.\tanother Arial item"}));

TEST(RtfReader, HiddenTextStaysInTheDocumentMarkedHidden)
{
    const auto doc = readRtf(fixture("hidden.rtf"));
    EXPECT_EQ(textOf(*doc), "She said (note to self: check the date) it was Tuesday.\nVisiblehidden and big again\nA whole hidden line\nend");
    const QString raw = textOf(*doc);
    const auto hiddenAt = [&](const char* text) { return isHiddenText(formatAt(*doc, int(raw.indexOf(QLatin1String(text))))); };
    EXPECT_TRUE(hiddenAt("note to self"));
    EXPECT_TRUE(hiddenAt("hidden and big"));
    EXPECT_TRUE(hiddenAt("whole hidden"));
    EXPECT_FALSE(hiddenAt("it was"));
    EXPECT_FALSE(hiddenAt(" again"));

    const QByteArray written = writeRtf(*doc);
    EXPECT_TRUE(written.contains("\\v ")) << written.toStdString();
    const auto again = readRtf(written);
    EXPECT_EQ(textOf(*again), raw);
    EXPECT_TRUE(isHiddenText(formatAt(*again, int(raw.indexOf(QLatin1String("note to self"))))));
    EXPECT_FALSE(isHiddenText(formatAt(*again, int(raw.indexOf(QLatin1String("it was"))))));
}

TEST(RtfReader, CapitalsAndSmallCapitalsAreReadAndWrittenBack)
{
    const auto doc = readRtf(fixture("caps.rtf"));
    const QString raw = textOf(*doc);
    const auto capitalsAt = [](const QTextDocument& d, const QString& text, const char* word) {
        return formatAt(d, int(text.indexOf(QLatin1String(word)))).fontCapitalization();
    };
    for (const QTextDocument* d : {doc.get(), readRtf(writeRtf(*doc)).release()}) {
        EXPECT_EQ(textOf(*d), raw);
        EXPECT_EQ(capitalsAt(*d, raw, "chapter"), QFont::AllUppercase);
        EXPECT_EQ(capitalsAt(*d, raw, "Small"), QFont::SmallCaps);
        EXPECT_EQ(capitalsAt(*d, raw, "plain"), QFont::MixedCase);
        EXPECT_EQ(capitalsAt(*d, raw, "all mixed"), QFont::AllUppercase);
        EXPECT_EQ(capitalsAt(*d, raw, "mixed"), QFont::MixedCase);
        EXPECT_EQ(capitalsAt(*d, raw, "both"), QFont::AllUppercase) << "capitals win over small capitals";
        if (d != doc.get())
            delete d;
    }
    const QByteArray written = writeRtf(*doc);
    EXPECT_TRUE(written.contains("\\caps ") && written.contains("\\scaps ")) << written.toStdString();
}

TEST(RtfReader, ListLevelsKeepTheirStartsAndGlyphs)
{
    const auto doc = readRtf(fixture("list-nested.rtf"));
    const auto listOf = [&](int block) { return doc->findBlockByNumber(block).textList(); };
    ASSERT_TRUE(listOf(0) && listOf(1) && listOf(2) && listOf(3) && listOf(4));
    for (int level = 0; level < 5; ++level)
        EXPECT_EQ(listOf(level)->format().indent(), level + 1);
    EXPECT_EQ(listOf(3)->format().style(), QTextListFormat::ListCircle);
    EXPECT_EQ(listOf(4)->format().style(), QTextListFormat::ListSquare);
    EXPECT_EQ(listOf(1), listOf(5)) << "one list for the scenes of a chapter";
    EXPECT_NE(listOf(1), listOf(7)) << "the next chapter's scenes count from a) again";
    EXPECT_EQ(listOf(0), listOf(6));

    const auto starts = readRtf(fixture("list-start.rtf"));
    EXPECT_EQ(listStart(starts->findBlockByNumber(0).textList()->format()), 7);
    EXPECT_EQ(listStart(starts->findBlockByNumber(3).textList()->format()), 4);
    EXPECT_EQ(listStart(starts->findBlockByNumber(5).textList()->format()), 2) << "the override's start";
}

TEST(RtfReader, ListLabelsOfListTablesTakeTheItemsFont)
{
    const auto doc = readRtf(fixture("list-font.rtf"));
    for (const QTextDocument* d : {doc.get(), readRtf(writeRtf(*doc)).release()}) {
        const QTextBlock item = d->findBlockByNumber(1);
        ASSERT_NE(item.textList(), nullptr);
        EXPECT_EQ(item.charFormat().fontFamilies().toStringList(), QStringList{"Arial"});
        EXPECT_DOUBLE_EQ(item.charFormat().fontPointSize(), 14.0);
        if (d != doc.get())
            delete d;
    }
    const QByteArray written = writeRtf(*doc);
    const QRegularExpression label(QStringLiteral(R"(\{\\listtext\\f(\d+)\\fs28 1\.\\tab\})"));
    const QRegularExpressionMatch match = label.match(QString::fromLatin1(written));
    ASSERT_TRUE(match.hasMatch()) << written.toStdString();
    EXPECT_TRUE(written.contains("{\\f" + match.captured(1).toLatin1() + "\\fnil\\fcharset0 Arial;}"));
}

TEST(RtfReader, ConsecutivePnParagraphsShareOneList)
{
    const auto doc = readRtf(
        R"({\rtf1\pard{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec}a\par{\pntext 2.\tab}b\par\pard x\par{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec}c\par})");
    ASSERT_EQ(doc->blockCount(), 4);
    const QTextList* first = doc->findBlockByNumber(0).textList();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(doc->findBlockByNumber(1).textList(), first);
    EXPECT_EQ(first->itemText(doc->findBlockByNumber(1)), QStringLiteral("2."));
    EXPECT_NE(doc->findBlockByNumber(3).textList(), first);
}

TEST(RtfReader, ListMarkersTakeTheLookOfTheirParagraphsText)
{
    const auto doc = readRtf(
        R"({\rtf1{\fonttbl{\f0 Courier New;}{\f1 Arial;}}{\colortbl;\red200\green0\blue0;}\f0\fs20 )"
        R"(\pard{\pntext 1.\tab}{\*\pn\pnlvlbody\pndec}\f1\fs28\cf1\ul first\par})");
    const QTextBlock block = doc->begin();
    ASSERT_NE(block.textList(), nullptr);
    const QTextCharFormat marker = block.charFormat();
    EXPECT_EQ(marker.fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_DOUBLE_EQ(marker.fontPointSize(), 14.0);
    EXPECT_EQ(marker.foreground().color(), QColor(200, 0, 0));
    EXPECT_FALSE(marker.fontUnderline()) << "an underlined first word leaves the number alone";
}

TEST(RtfReader, HyperlinksBecomeAnchors)
{
    const auto doc = readRtf(
        R"({\rtf1 go {\field{\*\fldinst{HYPERLINK "https://example.org/a?b=1" \\o "tip"}}{\fldrslt{\ul\cf1 there}}} now )"
        R"({\field{\*\fldinst HYPERLINK \\l "intro"}{\fldrslt back}}})");
    ASSERT_EQ(textOf(*doc), QStringLiteral("go there now back"));
    const QTextCharFormat link = formatAt(*doc, 3);
    EXPECT_TRUE(link.isAnchor());
    EXPECT_EQ(link.anchorHref(), QStringLiteral("https://example.org/a?b=1"));
    EXPECT_TRUE(link.fontUnderline());
    EXPECT_FALSE(formatAt(*doc, 9).isAnchor()) << "the link ends with its field";
    EXPECT_EQ(formatAt(*doc, 13).anchorHref(), QStringLiteral("#intro"));
}

TEST(RtfReader, NoteNumbersAreRaisedAndNotesKeepTheirFormat)
{
    const auto doc = readRtf(R"({\rtf1 a\chftn{\footnote\pard\plain\chftn  {\b bold} note}\par})");
    ASSERT_EQ(textOf(*doc), QStringLiteral("a1\n\n1 bold note"));
    EXPECT_EQ(formatAt(*doc, 0).verticalAlignment(), QTextCharFormat::AlignNormal);
    EXPECT_EQ(formatAt(*doc, 1).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(formatAt(*doc, 4).verticalAlignment(), QTextCharFormat::AlignSuperScript);
    EXPECT_EQ(formatAt(*doc, 5).verticalAlignment(), QTextCharFormat::AlignNormal);
    EXPECT_EQ(formatAt(*doc, 6).fontWeight(), QFont::Bold);
    EXPECT_EQ(formatAt(*doc, 11).fontWeight(), QFont::Normal);
}

TEST(RtfReader, SymbolFieldCharactersAreInTheirOwnFont)
{
    const auto doc = readRtf(
        R"({\rtf1{\fonttbl{\f0 Arial;}{\f1\fcharset2 Symbol;}}\f0 a{\field{\*\fldinst SYMBOL 74 \\f "Wingdings"}{\fldrslt }})"
        R"({\field{\*\fldinst SYMBOL 97 \\f "Symbol"}{\fldrslt }}b})");
    ASSERT_EQ(textOf(*doc), QStringLiteral("aJab"));
    EXPECT_EQ(formatAt(*doc, 1).fontFamilies().toStringList(), QStringList{"Wingdings"});
    EXPECT_EQ(formatAt(*doc, 2).fontFamilies().toStringList(), QStringList{"Symbol"});
    EXPECT_EQ(formatAt(*doc, 3).fontFamilies().toStringList(), QStringList{"Arial"});
}

QByteArray hexOf(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toHex();
}

QImage sampleImage()
{
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.setPixel(0, 0, qRgb(0, 255, 0));
    return image;
}

TEST(RtfReader, PicturesBecomeImageResources)
{
    const QByteArray png = hexOf(sampleImage(), "PNG");
    const QByteArray jpeg = hexOf(sampleImage(), "JPEG");
    QByteArray binPng;
    {
        QBuffer buffer(&binPng);
        buffer.open(QIODevice::WriteOnly);
        sampleImage().save(&buffer, "PNG");
    }
    const QByteArray rtf = "{\\rtf1 a{\\pict\\pngblip\\picw4\\pich2\\picwgoal1500\\pichgoal750\n" + png + "}b"
                           "{\\pict\\jpegblip\\picscalex200\\picscaley50 " + jpeg + "}c"
                           "{\\*\\shppict{\\pict\\pngblip\\bin" + QByteArray::number(binPng.size()) + " " + binPng + "}}d"
                           "{\\pict\\wmetafile8\\picw10 0102}e{\\pict\\pngblip 0badc0de}f}";
    const auto doc = readRtf(rtf);
    const QString text = textOf(*doc);
    ASSERT_EQ(text, QStringLiteral("a\uFFFCb\uFFFCc\uFFFCdef"));

    QList<QTextImageFormat> images;
    for (QTextBlock::iterator it = doc->begin().begin(); !it.atEnd(); ++it) {
        if (it.fragment().charFormat().isImageFormat())
            images.append(it.fragment().charFormat().toImageFormat());
    }
    ASSERT_EQ(images.size(), 3);
    EXPECT_DOUBLE_EQ(images[0].width(), 100.0);
    EXPECT_DOUBLE_EQ(images[0].height(), 50.0);
    EXPECT_DOUBLE_EQ(images[1].width(), 8.0);
    EXPECT_DOUBLE_EQ(images[1].height(), 1.0);
    EXPECT_DOUBLE_EQ(images[2].width(), 4.0);
    for (const QTextImageFormat& f : images) {
        const QVariant resource = doc->resource(QTextDocument::ImageResource, QUrl(f.name()));
        ASSERT_EQ(resource.typeId(), QMetaType::QImage) << f.name().toStdString();
        EXPECT_EQ(resource.value<QImage>().size(), QSize(4, 2));
    }
    EXPECT_EQ(doc->resource(QTextDocument::ImageResource, QUrl(images[0].name())).value<QImage>().pixel(0, 0), qRgb(0, 255, 0));
}

TEST(RtfReader, WordStyleFixtureKeepsBodyAndFootnote)
{
    const auto doc = readRtf(fixture("wordstyle.rtf"));
    EXPECT_EQ(textOf(*doc),
              QStringLiteral("Title line\n"
                             "Body with bold and a link.\n"
                             "First item\n"
                             "Second item\n"
                             "Cell one\tCell two\n"
                             "Last paragraph \u2014 done.\n"
                             "\n"
                             "1 A footnote."));
    EXPECT_EQ(doc->findBlockByNumber(2).textList()->format().style(), QTextListFormat::ListDisc);
}

// Broken files load what can be read, in bounded time and memory.
struct MalformedCase {
    const char* name;
    QByteArray rtf;
    QString text;
};

void PrintTo(const MalformedCase& c, std::ostream* os) { *os << c.name; }

class RtfReaderMalformed : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(RtfReaderMalformed, LoadsWhatCanBeRead)
{
    bool ok = false;
    const auto doc = readRtf(GetParam().rtf, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(textOf(*doc), GetParam().text);
}

QByteArray deepNesting(int depth)
{
    return "{\\rtf1 a" + QByteArray(depth, '{') + "b" + QByteArray(depth, '}') + "c}";
}

INSTANTIATE_TEST_SUITE_P(
    Malformed, RtfReaderMalformed,
    ::testing::Values(
        MalformedCase{"truncatedInText", R"({\rtf1{\fonttbl{\f0 Arial;}}\f0\b Hello wor)", "Hello wor"},
        MalformedCase{"truncatedInControlWord", R"({\rtf1 Hello\par wor\pa)", "Hello\nwor"},
        MalformedCase{"truncatedInHex", R"({\rtf1 caf\')", "caf"},
        MalformedCase{"truncatedAfterBackslash", "{\\rtf1 ab\\", "ab"},
        MalformedCase{"missingClosingBraces", R"({\rtf1 {\b one {\i two)", "one two"},
        MalformedCase{"extraClosingBraces", R"({\rtf1 a}}}} b})", "a b"},
        MalformedCase{"binLongerThanFile", "{\\rtf1 a{\\*\\x\\bin999999 xyz}", "a"},
        MalformedCase{"binNegative", "{\\rtf1 a\\bin-5 b}", "ab"},
        MalformedCase{"deepNesting", deepNesting(100000), "abc"},
        MalformedCase{"deepNestingUnbalanced", "{\\rtf1 a" + QByteArray(50000, '{') + "b", "ab"},
        MalformedCase{"overflowingNumbers",
                      R"({\rtf1\fs99999999999999999999\li-99999999999999999\sl99999999999{\uc99999999999 a}\u99999999999?b\u-99999999999?c\f99999999999999 d})",
                      QStringLiteral("a\uFFFDb\uFFFDcd")},
        MalformedCase{"hugeListOverride", R"({\rtf1\ls2147483647\ilvl8 a\par\ls2147483647 b\par})", "a\nb"},
        MalformedCase{"hugeColourIndex", R"({\rtf1{\colortbl;\red300\green-5\blue1;}\cf2147483647\highlight-1 x})", "x"},
        MalformedCase{"badHex", R"({\rtf1 a\'zz b})", "azz b"},
        MalformedCase{"pictWithGarbage", "{\\rtf1 a{\\pict\\pngblip\\picwgoal-5\\pichgoal999999999 zz89504e}b}", "ab"},
        MalformedCase{"nulBytes", QByteArray("{\\rtf1 a\0b}", 11), "ab"},
        MalformedCase{"starAtEnd", "{\\rtf1 a\\*", "a"},
        // A list whose only paragraph left it was gone when the next one joined it.
        MalformedCase{"listEmptiedWhileReading", R"({\rtf1 x}{\*\pn\pnlvlblt}{a}b\par})", "xab"}));

TEST(RtfReader, EveryPrefixOfAFileLoadsWithoutHarm)
{
    const QByteArray full = fixture("wordstyle.rtf");
    ASSERT_FALSE(full.isEmpty());
    const QString complete = textOf(*readRtf(full));
    for (qsizetype n = 5; n <= full.size(); n += 7) {
        bool ok = false;
        const auto doc = readRtf(full.left(n), &ok);
        ASSERT_TRUE(ok) << n;
        const QString text = textOf(*doc);
        // What was read is the start of the document's words, never more.
        EXPECT_LE(text.size(), complete.size() + 1) << n;
    }
}

TEST(RtfReader, ManyColoursAndFontsStayBounded)
{
    QByteArray rtf = "{\\rtf1{\\colortbl" + QByteArray(2'000'000, ';') + "}{\\fonttbl";
    for (int i = 0; i < 100000; ++i)
        rtf += "{\\f" + QByteArray::number(i) + " F;}";
    rtf += "}x}";
    const auto doc = readRtf(rtf);
    EXPECT_EQ(textOf(*doc), QStringLiteral("x"));
}

}  // namespace
}  // namespace qp

// A list marker's number as the reader takes it from the marker text; a run
// of letters too long to be a list number is no number at all.
TEST(RtfMarkerLabel, NumbersLettersAndRomanFromTheMarkerText)
{
    using qp::rtfread::ListKind;
    const std::tuple<const char*, ListKind, int> cases[] = {
        {"3.", ListKind::Decimal, 3},
        {"c)", ListKind::LowerAlpha, 3},
        {"AB.", ListKind::UpperAlpha, 28},
        {"iv.", ListKind::LowerRoman, 4},
        {"zzzzzz.", ListKind::LowerAlpha, 321272406},
        {"zzzzzzzzz.", ListKind::LowerAlpha, 0},
        {"1234567890.", ListKind::Decimal, 0},
    };
    for (const auto& [marker, kind, number] : cases)
        EXPECT_EQ(qp::rtfread::parseMarker(QString::fromLatin1(marker), kind).number, number) << marker;
}
