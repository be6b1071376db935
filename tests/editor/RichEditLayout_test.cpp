// The editor's paragraph-index layout against Qt's own document layout: the
// same line breaks, positions and pixels, through edits at the top of long
// documents, right-to-left paragraphs and the display-line commands.
#include "editing/EditCommands.h"
#include "editing/Tools_Statusbar.h"
#include "editor/DocumentStatistics.h"
#include "editor/RichEdit.h"
#include "editor/RichEditLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QTextList>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace qp {
namespace {

constexpr int kWidth = 420;
constexpr int kHeight = 300;

bool ownLayout(const RichEdit& edit)
{
    return qobject_cast<RichEditLayout*>(edit.document()->documentLayout()) != nullptr;
}

std::unique_ptr<RichEdit> shownEditor()
{
    auto edit = std::make_unique<RichEdit>();
    edit->resize(kWidth, kHeight);
    edit->setWordWrap(true);
    edit->show();
    QCoreApplication::processEvents();
    return edit;
}

// Puts the editor's document on Qt's layout for comparison; nothing is
// edited after this.
void useQtLayout(RichEdit& edit)
{
    edit.document()->setDocumentLayout(nullptr);
    edit.document()->documentLayout();
    QCoreApplication::processEvents();
    ASSERT_FALSE(ownLayout(edit));
}

// The document position of every display line's start, read from the layout.
std::vector<int> lineStarts(RichEdit& edit)
{
    QAbstractTextDocumentLayout* layout = edit.document()->documentLayout();
    std::vector<int> starts;
    for (QTextBlock b = edit.document()->begin(); b.isValid(); b = b.next()) {
        layout->blockBoundingRect(b);
        const QTextLayout* text = b.layout();
        if (text->lineCount() == 0)
            starts.push_back(b.position());
        for (int i = 0; i < text->lineCount(); ++i)
            starts.push_back(b.position() + text->lineAt(i).textStart());
    }
    return starts;
}

// The same text laid out by Qt's layout in an editor of the same size.
std::vector<int> qtLineStarts(const QString& text)
{
    auto other = shownEditor();
    other->setText(text);
    useQtLayout(*other);
    return lineStarts(*other);
}

// The editor's own line look-ups, as document positions.
std::vector<int> editorLineStarts(RichEdit& edit)
{
    edit.completeLineLayout();
    std::vector<int> starts;
    for (int line = 0; line < edit.lineCount(); ++line)
        starts.push_back(edit.toDocumentPosition(edit.lineIndex(line)));
    return starts;
}

QString longText(int paragraphs, unsigned seed)
{
    std::mt19937 random(seed);
    const QString words = QStringLiteral(
        "in the beginning the writer wrote a line and then another one longer than the first "
        "until the page was full of words that wrapped at the edge of the window ");
    QStringList lines;
    for (int i = 0; i < paragraphs; ++i)
        lines << words.mid(int(random() % 30), int(random() % 120));
    return lines.join(QStringLiteral("\r\n"));
}

TEST(RichEditLayout, PlainAndSimplyFormattedTextsUseIt)
{
    auto edit = shownEditor();
    edit->setText(QStringLiteral("one\r\ntwo"));
    EXPECT_TRUE(ownLayout(*edit));

    // Lists too; a table needs Qt's layout, which stays until the document is replaced.
    QTextCursor cursor(edit->document());
    cursor.createList(QTextListFormat::ListDisc);
    EXPECT_TRUE(ownLayout(*edit));
    EXPECT_EQ(edit->lineCount(), 2);

    // Without word wrap as well.
    edit->setWordWrap(false);
    EXPECT_TRUE(ownLayout(*edit));
    edit->setWordWrap(true);
    EXPECT_TRUE(ownLayout(*edit));

    cursor = QTextCursor(edit->document());
    cursor.insertTable(2, 2);
    EXPECT_FALSE(ownLayout(*edit));
    edit->setText(QStringLiteral("plain again"));
    EXPECT_TRUE(ownLayout(*edit));
}

// Formats this layout draws itself, each compared with Qt's layout pixel by
// pixel and position by position.
void fillFormatted(QTextDocument* doc)
{
    QTextCursor cursor(doc);
    const QString words = QStringLiteral("the quick brown fox jumps over the lazy dog and keeps on running ");
    struct Para {
        Qt::Alignment align;
        qreal left, right, first, top, bottom;
        QString text;
    };
    const Para paras[] = {
        {Qt::AlignLeft, 0, 0, 0, 0, 0, words.repeated(2)},
        {Qt::AlignHCenter, 0, 0, 0, 6, 3, words},
        {Qt::AlignRight, 20, 10, 0, 0, 9, words.repeated(2)},
        {Qt::AlignLeft, 30, 0, -15, 4, 0, words.repeated(3)},
        {Qt::AlignJustify, 0, 25, 12, 0, 0, words.repeated(2)},
        {Qt::AlignLeft, 0, 0, 0, 0, 0, QString::fromUtf8("שלום עולם זה משפט בעברית שנכתב מימין לשמאל ") .repeated(3)},
        {Qt::AlignLeft, 0, 0, 0, 0, 0, QString()},
        {Qt::AlignLeft, 0, 0, 0, 0, 0, QStringLiteral("tabs\tand\tmore\ttabs and averyveryveryverylongwordthatcannotbreakatallinsidethewidthofthiswindow end")},
    };
    bool first = true;
    for (const Para& p : paras) {
        QTextBlockFormat format;
        format.setAlignment(p.align);
        format.setLeftMargin(p.left);
        format.setRightMargin(p.right);
        format.setTextIndent(p.first);
        format.setTopMargin(p.top);
        format.setBottomMargin(p.bottom);
        if (first)
            cursor.setBlockFormat(format);
        else
            cursor.insertBlock(format);
        first = false;
        cursor.insertText(p.text);
    }
    QTextCharFormat big;
    big.setFontPointSize(20);
    big.setFontWeight(QFont::Bold);
    cursor.setPosition(30);
    cursor.setPosition(45, QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(big);
    QTextBlockFormat spaced;
    spaced.setLineHeight(150, QTextBlockFormat::ProportionalHeight);
    cursor.setPosition(doc->findBlockByNumber(2).position() + 3);
    cursor.mergeBlockFormat(spaced);
}

// The caret at every `step`-th position, placed by both editors.
void expectSameCarets(RichEdit& own, RichEdit& qt, int step)
{
    for (int pos = 0; pos < own.document()->characterCount(); pos += step) {
        QTextCursor a(own.document());
        QTextCursor b(qt.document());
        a.setPosition(pos);
        b.setPosition(pos);
        own.setTextCursor(a);
        qt.setTextCursor(b);
        EXPECT_EQ(own.cursorRect(), qt.cursorRect()) << "position " << pos;
    }
}

TEST(RichEditLayout, DrawsAndPlacesAsQtsLayout)
{
    auto own = shownEditor();
    auto qt = shownEditor();
    for (RichEdit* edit : {own.get(), qt.get()}) {
        fillFormatted(edit->document());
        edit->setSelection(20, 150);
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(ownLayout(*own));
    useQtLayout(*qt);

    EXPECT_EQ(lineStarts(*own), lineStarts(*qt));
    QAbstractTextDocumentLayout* ownLayout = own->document()->documentLayout();
    QAbstractTextDocumentLayout* qtLayout = qt->document()->documentLayout();
    EXPECT_EQ(ownLayout->documentSize().height(), qtLayout->documentSize().height());
    for (QTextBlock a = own->document()->begin(), b = qt->document()->begin(); a.isValid(); a = a.next(), b = b.next()) {
        EXPECT_EQ(ownLayout->blockBoundingRect(a), qtLayout->blockBoundingRect(b)) << "block " << a.blockNumber();
        EXPECT_EQ(a.layout()->textOption().textDirection(), b.layout()->textOption().textDirection());
    }
    for (int y = 0; y < kHeight; y += 7) {
        for (int x = 0; x < kWidth; x += 23) {
            const QPointF point(x, y);
            EXPECT_EQ(ownLayout->hitTest(point, Qt::FuzzyHit), qtLayout->hitTest(point, Qt::FuzzyHit)) << x << "," << y;
            EXPECT_EQ(ownLayout->hitTest(point, Qt::ExactHit), qtLayout->hitTest(point, Qt::ExactHit)) << x << "," << y;
        }
    }
    expectSameCarets(*own, *qt, 17);
    own->setSelection(20, 150);
    qt->setSelection(20, 150);
    QCoreApplication::processEvents();
    const QImage image = own->grab().toImage();
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            inked += image.pixel(x, y) != image.pixel(0, 0);
    EXPECT_GT(inked, 2000);
    EXPECT_TRUE(image == qt->grab().toImage());
}

// Bullets and numbers of every style, nested and in a bigger font, drawn and
// placed as Qt's layout does, also under a selection that runs through them.
TEST(RichEditLayout, ListsDrawAndPlaceAsQtsLayout)
{
    auto own = shownEditor();
    auto qt = shownEditor();
    for (RichEdit* edit : {own.get(), qt.get()}) {
        QTextCursor cursor(edit->document());
        cursor.insertText(QStringLiteral("Before the lists"));
        const QTextListFormat::Style styles[] = {QTextListFormat::ListDisc,       QTextListFormat::ListCircle,
                                                 QTextListFormat::ListSquare,     QTextListFormat::ListDecimal,
                                                 QTextListFormat::ListLowerAlpha, QTextListFormat::ListUpperRoman};
        int level = 1;
        for (const QTextListFormat::Style style : styles) {
            QTextListFormat format;
            format.setStyle(style);
            format.setIndent(level);
            level = level % 3 + 1;
            cursor.insertBlock();
            QTextList* list = cursor.createList(format);
            for (int item = 0; item < 3; ++item) {
                if (item > 0) {
                    cursor.insertBlock();
                    list->add(cursor.block());
                }
                cursor.insertText(QStringLiteral("item %1 of a list that runs long enough to wrap over the edge").arg(item));
            }
        }
        QTextCharFormat big;
        big.setFontPointSize(18);
        cursor.setPosition(edit->document()->findBlockByNumber(4).position());
        cursor.setPosition(edit->document()->findBlockByNumber(4).position() + 4, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(big);
        cursor.insertBlock(QTextBlockFormat());
        cursor.insertText(QStringLiteral("After the lists"));
        edit->setSelection(10, 200);
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(ownLayout(*own));
    useQtLayout(*qt);

    EXPECT_EQ(lineStarts(*own), lineStarts(*qt));
    QAbstractTextDocumentLayout* ownLayout = own->document()->documentLayout();
    QAbstractTextDocumentLayout* qtLayout = qt->document()->documentLayout();
    for (QTextBlock a = own->document()->begin(), b = qt->document()->begin(); a.isValid(); a = a.next(), b = b.next())
        EXPECT_EQ(ownLayout->blockBoundingRect(a), qtLayout->blockBoundingRect(b)) << "block " << a.blockNumber();
    expectSameCarets(*own, *qt, 11);
    for (const int scroll : {0, 150}) {
        for (RichEdit* edit : {own.get(), qt.get()})
            edit->verticalScrollBar()->setValue(scroll);
        QCoreApplication::processEvents();
        EXPECT_TRUE(own->grab().toImage() == qt->grab().toImage()) << "scrolled " << scroll;
    }
}

// Without word wrap lines run on past the window: the same places, the same
// document width for the horizontal scroll bar, the same hits and carets.
TEST(RichEditLayout, WithoutWordWrapPlacesAsQtsLayout)
{
    auto own = shownEditor();
    auto qt = shownEditor();
    for (RichEdit* edit : {own.get(), qt.get()}) {
        edit->setWordWrap(false);
        fillFormatted(edit->document());
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(ownLayout(*own));
    useQtLayout(*qt);

    QAbstractTextDocumentLayout* ownLayout = own->document()->documentLayout();
    QAbstractTextDocumentLayout* qtLayout = qt->document()->documentLayout();
    EXPECT_EQ(lineStarts(*own), lineStarts(*qt));
    for (QTextBlock a = own->document()->begin(), b = qt->document()->begin(); a.isValid(); a = a.next(), b = b.next())
        EXPECT_EQ(ownLayout->blockBoundingRect(a), qtLayout->blockBoundingRect(b)) << "block " << a.blockNumber();
    EXPECT_GT(qtLayout->documentSize().width(), kWidth) << "the fixture has lines longer than the window";
    EXPECT_EQ(ownLayout->documentSize(), qtLayout->documentSize());
    EXPECT_EQ(own->horizontalScrollBar()->maximum(), qt->horizontalScrollBar()->maximum());
    for (int y = 0; y < kHeight; y += 9) {
        for (int x = 0; x < 3 * kWidth; x += 37) {
            const QPointF point(x, y);
            EXPECT_EQ(ownLayout->hitTest(point, Qt::FuzzyHit), qtLayout->hitTest(point, Qt::FuzzyHit)) << x << "," << y;
        }
    }
    expectSameCarets(*own, *qt, 13);
}

TEST(RichEditLayout, RightToLeftParagraphsStayRightToLeft)
{
    auto edit = shownEditor();
    edit->setText(QStringLiteral("left to right\r\n") + QString::fromUtf8("שלום עולם") + QStringLiteral("\r\nmixed ")
                  + QString::fromUtf8("עברית"));
    ASSERT_TRUE(ownLayout(*edit));
    const auto expectDirections = [&] {
        const QTextBlock rtl = edit->document()->findBlockByNumber(1);
        edit->document()->documentLayout()->blockBoundingRect(rtl);
        ASSERT_GT(rtl.layout()->lineCount(), 0);
        EXPECT_EQ(rtl.layout()->textOption().textDirection(), Qt::RightToLeft);
        // The paragraph's first character stands at the right edge.
        EXPECT_GT(rtl.layout()->lineAt(0).cursorToX(0), kWidth / 2);
        const QTextBlock mixed = edit->document()->findBlockByNumber(2);
        edit->document()->documentLayout()->blockBoundingRect(mixed);
        EXPECT_EQ(mixed.layout()->textOption().textDirection(), Qt::LeftToRight);
    };
    expectDirections();
    // Typing into it lays it out again, still right to left.
    edit->setSelection(edit->lineIndex(1) + 2, 0);
    for (const QChar c : QString::fromUtf8("אב")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(edit.get(), &press);
    }
    ASSERT_TRUE(edit->lineText(1).contains(QString::fromUtf8("אב")));
    expectDirections();
}

TEST(RichEditLayout, WrappedLineNumbersAfterEditsAtTheTop)
{
    auto edit = shownEditor();
    edit->setText(longText(3000, 5));
    edit->completeLineLayout();
    ASSERT_TRUE(ownLayout(*edit));
    edit->setSelection(0, 0);
    edit->setFocus();
    // Letters, a new paragraph, joins and a long insert: lines wrap and unwrap.
    QTest::keyClicks(edit.get(), QStringLiteral("a few words typed at the very top of the text "));
    QTest::keyClick(edit.get(), Qt::Key_Return);
    QTest::keyClicks(edit.get(), QStringLiteral("short"));
    QTest::keyClick(edit.get(), Qt::Key_Down);
    QTest::keyClick(edit.get(), Qt::Key_Home);
    QTest::keyClick(edit.get(), Qt::Key_Backspace);
    QTest::keyClick(edit.get(), Qt::Key_Backspace);
    QTest::keyClick(edit.get(), Qt::Key_Delete);
    edit->replaceSelection(longText(3, 9) + QStringLiteral("\r\n"));
    // A paste too long to lay out with the edit: its paragraphs wait for the idle slices.
    edit->setSelection(edit->lineIndex(2), 0);
    edit->replaceSelection(longText(300, 11) + QStringLiteral("\r\n"));
    QCoreApplication::processEvents();

    const std::vector<int> expected = qtLineStarts(edit->text());
    EXPECT_EQ(lineStarts(*edit), expected);
    EXPECT_EQ(editorLineStarts(*edit), expected);
    EXPECT_EQ(edit->lineCount(), int(expected.size()));
    // Far below the edit as well as next to it.
    const int last = int(expected.size()) - 1;
    EXPECT_EQ(edit->lineFromChar(edit->fromDocumentPosition(expected[last])), last);
    EXPECT_EQ(edit->lineFromChar(edit->fromDocumentPosition(expected[3]) + 1), 3);
}

TEST(RichEditLayout, TheEndCanBeShownBeforeEverythingIsLaidOut)
{
    auto edit = shownEditor();
    edit->setText(longText(20000, 8));
    ASSERT_FALSE(edit->isLineLayoutComplete());
    edit->setSelection(edit->textLength(), 0);
    edit->ensureCursorVisible();
    QCoreApplication::processEvents();
    EXPECT_TRUE(edit->viewport()->rect().contains(edit->cursorRect()));
    // Clicking where the caret is drawn puts it there.
    const QPoint caret = edit->cursorRect().center();
    EXPECT_EQ(edit->cursorForPosition(caret).position(), edit->document()->characterCount() - 1);

    edit->completeLineLayout();
    QCoreApplication::processEvents();
    edit->ensureCursorVisible();
    QCoreApplication::processEvents();
    EXPECT_TRUE(edit->viewport()->rect().contains(edit->cursorRect()));
    EXPECT_EQ(edit->lineFromChar(edit->textLength()), edit->lineCount() - 1);
    EXPECT_EQ(editorLineStarts(*edit), qtLineStarts(edit->text()));
}

TEST(RichEditLayout, DeleteLineAndCaretPanelOnWrappedLines)
{
    auto edit = shownEditor();
    const QString wrapped = QStringLiteral("a paragraph long enough to wrap over several display lines in this window "
                                           "so that the second and third lines are lines of their own ");
    edit->setText(wrapped + QStringLiteral("\r\n") + longText(500, 3));
    edit->completeLineLayout();
    std::vector<int> starts = editorLineStarts(*edit);
    ASSERT_EQ(starts, qtLineStarts(edit->text()));
    ASSERT_GT(edit->document()->firstBlock().layout()->lineCount(), 2);

    std::unique_ptr<StatusBar> bar(createStatusBar1(nullptr));
    // The caret five characters into the second display line.
    const int caret = edit->fromDocumentPosition(starts[1]) + 5;
    edit->setSelection(caret, 0);
    refreshCaretPosition(*bar, *edit);
    EXPECT_EQ(bar->panelText(PanelCaret), QStringLiteral("2 : 6"));

    const QString before = edit->text();
    const int start = edit->fromDocumentPosition(starts[1]);
    const int end = edit->fromDocumentPosition(starts[2]);
    editDeleteLine(*edit);
    EXPECT_EQ(edit->text(), before.left(start) + before.mid(end));
    EXPECT_EQ(editorLineStarts(*edit), qtLineStarts(edit->text()));

    // Typing at the top keeps the panel on the caret's display line.
    edit->setSelection(0, 0);
    edit->setFocus();
    QTest::keyClicks(edit.get(), QStringLiteral("xyz"));
    starts = editorLineStarts(*edit);
    edit->setSelection(edit->fromDocumentPosition(starts[1]) + 2, 0);
    refreshCaretPosition(*bar, *edit);
    EXPECT_EQ(bar->panelText(PanelCaret), QStringLiteral("2 : 3"));
}

// Paragraphs that fit on one line are counted from their characters'
// advances without a layout; their heights and places must be what a real
// layout gives, in every font, size and spacing, and near the edge.
TEST(RichEditLayout, ParagraphsMeasuredWithoutLayoutTakeTheirLaidOutPlace)
{
    auto own = shownEditor();
    auto qt = shownEditor();
    const QString samples[] = {
        QStringLiteral("short"),
        QString::fromUtf8("\u201cQuoted,\u201d she said \u2014 and left\u2026"),
        QString::fromUtf8("\u0413\u0440\u0435\u0447\u0435\u0441\u043a\u0438\u0439 \u03b1\u03b2\u03b3 caf\u00e9 na\u00efve"),
        QString::fromUtf8("a click \u01c2 rare letter"),
        QStringLiteral("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"),
        QStringLiteral("iiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiiii"),
        QStringLiteral("AVAVAVAVAVAVAVAVAVAVAVAVAV To Ty Yo kerning pairs"),
    };
    struct Style {
        QString family;
        qreal size;
        bool bold;
        qreal top, bottom;
    };
    const Style styles[] = {
        {QString(), 0, false, 0, 0},
        {QStringLiteral("Liberation Serif"), 12, false, 0, 6},
        {QStringLiteral("Liberation Sans"), 14, true, 4, 0},
        {QStringLiteral("Liberation Mono"), 9, false, 3, 3},
        {QStringLiteral("DejaVu Sans"), 22, false, 0, 0},
    };
    QTextDocument scratch;
    QTextCursor cursor(&scratch);
    bool first = true;
    for (int repeat = 0; repeat < 40; ++repeat) {
        for (const Style& style : styles) {
            for (const QString& sample : samples) {
                QTextBlockFormat block;
                block.setTopMargin(style.top);
                block.setBottomMargin(style.bottom);
                QTextCharFormat chars;
                if (!style.family.isEmpty())
                    chars.setFontFamilies({style.family});
                if (style.size > 0)
                    chars.setFontPointSize(style.size);
                chars.setFontWeight(style.bold ? QFont::Bold : QFont::Normal);
                if (first)
                    cursor.setBlockFormat(block);
                else
                    cursor.insertBlock(block);
                first = false;
                // Growing texts cross the edge of the line somewhere.
                cursor.insertText(sample.left(5 + repeat * 3), chars);
                // An empty paragraph between chapters, in the style of the text before it.
                if (&sample == &samples[0])
                    cursor.insertBlock(block, chars);
            }
        }
    }
    // Pasted in one piece, too much to lay out with the edit.
    const QTextDocumentFragment content(&scratch);
    for (RichEdit* edit : {own.get(), qt.get()})
        QTextCursor(edit->document()).insertFragment(content);
    ASSERT_TRUE(ownLayout(*own));
    useQtLayout(*qt);
    own->completeLineLayout();
    QAbstractTextDocumentLayout* ownLayout = own->document()->documentLayout();
    QAbstractTextDocumentLayout* qtLayout = qt->document()->documentLayout();
    // Most paragraphs below the window were never laid out, yet the whole height is exact.
    int unlaid = 0;
    for (QTextBlock b = own->document()->begin(); b.isValid(); b = b.next())
        unlaid += !b.layout() || b.layout()->lineCount() == 0;
    EXPECT_GT(unlaid, own->document()->blockCount() / 2);
    int emptyUnlaid = 0;
    int empty = 0;
    for (QTextBlock b = own->document()->begin(); b.isValid(); b = b.next()) {
        empty += b.length() == 1;
        emptyUnlaid += b.length() == 1 && (!b.layout() || b.layout()->lineCount() == 0);
    }
    EXPECT_GT(emptyUnlaid, empty / 2) << "empty paragraphs are measured too";
    EXPECT_EQ(ownLayout->documentSize().height(), qtLayout->documentSize().height());
    int qtLines = 0;
    for (QTextBlock b = qt->document()->begin(); b.isValid(); b = b.next())
        qtLines += qtLayout->blockBoundingRect(b).isValid() ? b.layout()->lineCount() : 0;
    EXPECT_EQ(own->lineCount(), qtLines);
    for (QTextBlock a = own->document()->begin(), b = qt->document()->begin(); a.isValid(); a = a.next(), b = b.next())
        EXPECT_EQ(ownLayout->blockBoundingRect(a), qtLayout->blockBoundingRect(b)) << "block " << a.blockNumber();
}

}  // namespace
}  // namespace qp

namespace qp {
namespace {

// The caret's left edge at a document position.
int caretX(RichEdit& edit, int position)
{
    QTextCursor cursor(edit.document());
    cursor.setPosition(position);
    edit.setTextCursor(cursor);
    return edit.cursorRect().left();
}

// Hidden text takes no room and draws nothing, capitals draw as capitals,
// in the editor's layout and in Qt's: each editor draws what the same text
// typed without them draws.
TEST(RichEditLayout, HiddenTextAndCapitalsDrawAsTheirVisibleText)
{
    const QByteArray header = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 DejaVu Sans;}}\\fs24 ";
    const struct {
        const char* name;
        QByteArray rtf;
        QByteArray looksLike;
    } cases[] = {
        {"hidden", "She said{\\v  a long note to self that would wrap the line if it were shown on the screen} it was Tuesday.\\par "
                   "{\\v \\fs72 Hidden}Big\\par{\\v A hidden paragraph}\\par end",
         "She said it was Tuesday.\\par Big\\par\\par end"},
        {"capitals", "{\\caps chapter one} and {\\scaps Small Capitals}", "CHAPTER ONE and {\\scaps Small Capitals}"},
    };
    for (const auto& c : cases) {
        for (const bool qtLayout : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (qtLayout ? " in Qt's layout" : " in the own layout"));
            auto edit = shownEditor();
            auto plain = shownEditor();
            ASSERT_TRUE(edit->loadRichText(header + c.rtf + "}"));
            ASSERT_TRUE(plain->loadRichText(header + c.looksLike + "}"));
            QCoreApplication::processEvents();
            if (qtLayout) {
                useQtLayout(*edit);
                useQtLayout(*plain);
            } else {
                ASSERT_TRUE(ownLayout(*edit));
            }
            EXPECT_TRUE(edit->grab().toImage() == plain->grab().toImage());
            EXPECT_EQ(edit->document()->documentLayout()->documentSize(), plain->document()->documentLayout()->documentSize());
            const QString text = edit->document()->toRawText();
            const QString plainText = plain->document()->toRawText();
            for (const char* word : {"Tuesday", "end", "and", "Small"}) {
                const int at = int(text.indexOf(QLatin1String(word)));
                if (at >= 0) {
                    EXPECT_EQ(caretX(*edit, at), caretX(*plain, int(plainText.indexOf(QLatin1String(word))))) << word;
                }
            }
            // Typing before the hidden text moves it along, still hidden.
            if (std::string(c.name) != "hidden")
                continue;
            for (RichEdit* e : {edit.get(), plain.get()}) {
                QTextCursor cursor(e->document());
                cursor.insertText(QStringLiteral("Then "));
            }
            QCoreApplication::processEvents();
            EXPECT_TRUE(edit->grab().toImage() == plain->grab().toImage()) << "after typing";
        }
    }
}

}  // namespace
}  // namespace qp
