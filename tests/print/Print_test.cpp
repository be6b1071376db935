// Printing through the running program into PDF files, read back with
// poppler-utils: pages, header line, margins, the selection, the options
// dialog and its store, and the command line's "-p".
#include "support/AppFixture.h"
#include "support/PdfFiles.h"

#include "app/Applic.h"
#include "app/document/Tools_File.h"
#include "editor/RichEdit.h"
#include "print/PrintCommands.h"
#include "print/Window_PrintOptions.h"
#include "store/Registry.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <map>

using namespace qp;
using namespace qp::test;

namespace {

// ---- The arithmetic of the page ----

TEST(PrintMarginChoices, TextsConvertToTheirHundredths)
{
    const std::pair<const char*, int> cases[] = {
        {"0,50 inch", 50}, {"0,75 inch", 75}, {"1,00 inch", 100}, {"1,25 inch", 125},
        {"1,50 inch", 150}, {"1,75 inch", 175}, {"1,50 cm", 59},  {"2,00 cm", 79},
        {"2,50 cm", 98},   {"3,00 cm", 118},   {"3,50 cm", 138},  {"4,00 cm", 157},
        {"1.00 inch", -1}, {"", -1},
    };
    for (const auto& [text, hundredths] : cases)
        EXPECT_EQ(marginHundredths(QString::fromLatin1(text)), hundredths) << text;
}

TEST(PrintBodyBox, MarginsCountFromTheEdgeOfTheSheet)
{
    // 600 dpi, printable area 4800 x 6400 starting 100 dots in.
    const PageMetrics metrics{600, 600, 4800, 6400, 100, 100};
    const PageBox body = bodyBox(metrics, {98, 100, 50, 157});
    EXPECT_EQ(body.left, 488);   // "2,50 cm"
    EXPECT_EQ(body.right, 4800 + 100 - 600);
    EXPECT_EQ(body.top, 300 - 100);
    EXPECT_EQ(body.bottom, 6400 + 100 - 942);
    const PageBox twips = toTwips(body, metrics);
    EXPECT_EQ(twips.left, 488 * 1440 / 600);
    EXPECT_EQ(twips.bottom, 5558 * 1440 / 600);
    EXPECT_FALSE(body.empty());
    EXPECT_TRUE(bodyBox({600, 600, 600, 600, 0, 0}, {100, 100, 50, 50}).empty());
}

TEST(PrintHeader, NameDateTimeAndPage)
{
    EXPECT_EQ(headerLine("Letter.rtf", "2024-05-01", "14:30", 2), "Letter.rtf - 2024-05-01/14:30 - Page 2");
    EXPECT_EQ(printName("/home/ann/Texts/Letter.rtf"), "Letter.rtf");
    EXPECT_EQ(printName(""), "Untitled");
}

TEST(PrintPdfName, TheDocumentsNameWithPdfInItsFolder)
{
    EXPECT_EQ(pdfPathFor("/home/ann/Texts/Letter.rtf", "/home/ann"), "/home/ann/Texts/Letter.pdf");
    EXPECT_EQ(pdfPathFor("/home/ann/Texts/my.letter.txt", "/home/ann"), "/home/ann/Texts/my.letter.pdf");
    EXPECT_EQ(pdfPathFor("/home/ann/Texts/README", "/home/ann"), "/home/ann/Texts/README.pdf");
    EXPECT_EQ(pdfPathFor("", "/home/ann"), "/home/ann/Untitled.pdf");
}

// ---- The print command in the program ----

QByteArray numberedLines(int count)
{
    QByteArray text;
    for (int i = 1; i <= count; ++i)
        text += "Line" + QByteArray::number(i) + " of the long letter\n";
    return text;
}

class Printing : public AppFixture {
protected:
    TForm_PrintOptions& options() { return *app().windows().printOptions; }
    QComboBox& box(const char* name) { return *options().findChild<QComboBox*>(name); }
    void storeOptions(int left, int right, int top, int bottom, int header)
    {
        RegKey key = RegKey::openSettingsWrite(registry(), "PrintOptions");
        key.writeInteger("Default_LeftMargin", left);
        key.writeInteger("Default_RightMargin", right);
        key.writeInteger("Default_TopMargin", top);
        key.writeInteger("Default_BottomMargin", bottom);
        key.writeInteger("Default_Header", header);
    }
    QString printToPdf(const QString& name, PrintRange range = PrintRange::All)
    {
        const QString pdf = scratchPath(name);
        printDialog.acceptTo(pdf, range);
        press(QKeySequence(Qt::CTRL | Qt::Key_P));
        processEvents();
        return pdf;
    }
    // The date and time formats as the Settings dialog starts them.
    TApp& startWith(const QStringList& arguments = {})
    {
        TApp& window = start(arguments);
        window.options().dateFormat = "yyyy-mm-dd";
        window.options().timeFormat = "hh:mm";
        return window;
    }
    QString printCaption() { return app().action(Command::File_Print)->text(); }
    // How often each "LineN of" stands in the text, by N.
    static std::map<int, int> lineCounts(const QString& text)
    {
        std::map<int, int> counts;
        static const QRegularExpression line(QStringLiteral("Line(\\d+) of"));
        for (auto it = line.globalMatch(text); it.hasNext();)
            ++counts[it.next().captured(1).toInt()];
        return counts;
    }
    static void expectEachLineOnce(const QString& text, int lines)
    {
        const std::map<int, int> counts = lineCounts(text);
        EXPECT_EQ(int(counts.size()), lines);
        for (const auto& [line, count] : counts)
            EXPECT_EQ(count, 1) << "Line" << line;
    }
};

TEST_F(Printing, ALongDocumentPrintsOnPagesWithTheHeaderAndKeepsTheView)
{
    storeOptions(2, 2, 2, 2, 1);
    startWith({writeFile("Letter.txt", numberedLines(200))});
    editor().setFocus();
    editor().setSelection(50, 0);
    const int firstLine = editor().firstVisibleLine();

    const QString pdf = printToPdf("letter.pdf");
    EXPECT_EQ(printDialog.shown, 1);
    EXPECT_FALSE(printDialog.lastSelectionAvailable);
    ASSERT_TRUE(QFileInfo::exists(pdf));
    EXPECT_GE(pdfPageCount(pdf), 3);
    EXPECT_EQ(pdfTitle(pdf), "Quillpress - Letter.txt");
    const QString page2 = pdfText(pdf, 2, 2);
    EXPECT_TRUE(page2.contains("Letter.txt - 2024-05-01/14:30 - Page 2")) << page2.toStdString();
    EXPECT_FALSE(page2.contains("Page 1"));
    const QString all = pdfText(pdf);
    for (const char* line : {"Line1 of", "Line100 of", "Line200 of"})
        EXPECT_EQ(all.count(QString::fromLatin1(line)), 1) << line;

    // Nothing was selected: the caret and the view are where they were.
    EXPECT_EQ(editor().selStart(), 50);
    EXPECT_EQ(editor().selLength(), 0);
    EXPECT_EQ(editor().firstVisibleLine(), firstLine);
    EXPECT_EQ(app().document().state, DocState::Saved);
    EXPECT_TRUE(messages.boxes().isEmpty());
}

TEST_F(Printing, EveryLineOnceAndNothingOutsideTheBody)
{
    storeOptions(2, 2, 2, 2, 1);
    startWith({writeFile("Letter.txt", numberedLines(200))});
    editor().setFocus();
    const QString pdf = printToPdf("letter.pdf");
    expectEachLineOnce(pdfText(pdf), 200);
    const QList<PdfWord> words = pdfWords(pdf);
    ASSERT_FALSE(words.isEmpty());
    for (const PdfWord& word : words) {
        if (word.text.startsWith("Line")) {
            EXPECT_GE(word.top, 72 - 1) << word.text.toStdString();
            EXPECT_LE(word.bottom, word.pageHeight - 72 + 1) << word.text.toStdString();
        }
    }
}

TEST_F(Printing, ADocumentLongerThanTheLayoutCanHoldAtThePrintersResolution)
{
    // 2^31/64 dots run out after about 350 pages of this body at 9,600 dots
    // per inch, as they do after about 2,800 at 1,200.
    constexpr int lines = 30000;
    storeOptions(0, 0, 0, 0, 0);
    start({writeFile("Long.txt", numberedLines(lines))});
    editor().setFocus();
    printDialog.setResolution(9600);
    const QString pdf = printToPdf("long.pdf");
    const int pages = pdfPageCount(pdf);
    EXPECT_GT(pages, 400);
    expectEachLineOnce(pdfText(pdf), lines);
}

TEST_F(Printing, PagesFromToPrintThosePagesAndTheDialogKnowsTheCount)
{
    storeOptions(2, 2, 2, 2, 1);
    startWith({writeFile("Letter.txt", numberedLines(200))});
    editor().setFocus();
    const QString all = printToPdf("all.pdf");
    const int pages = pdfPageCount(all);
    ASSERT_GE(pages, 4);
    EXPECT_EQ(printDialog.lastSetup.pageCount, pages);

    struct Case {
        int from;
        int to;
        int printed;
    };
    for (const Case& c : {Case{2, 2, 1}, Case{2, 3, 2}, Case{pages, pages, 1}, Case{3, pages + 5, pages - 2}}) {
        const QString pdf = scratchPath(QStringLiteral("pages-%1-%2.pdf").arg(c.from).arg(c.to));
        printDialog.acceptPagesTo(pdf, c.from, c.to);
        editor().setFocus();
        press(QKeySequence(Qt::CTRL | Qt::Key_P));
        processEvents();
        ASSERT_EQ(pdfPageCount(pdf), c.printed) << c.from << "-" << c.to;
        for (int i = 0; i < c.printed; ++i)
            EXPECT_EQ(pdfText(pdf, i + 1, i + 1), pdfText(all, c.from + i, c.from + i)) << "page " << c.from + i;
        EXPECT_EQ(printDialog.progressShown.last().second, std::min(c.to, pages));
    }
}

TEST_F(Printing, ProgressCountsThePagesAndCancelLeavesTheChosenFileAsItWas)
{
    storeOptions(2, 2, 2, 2, 0);
    startWith({writeFile("Letter.txt", numberedLines(200))});
    editor().setFocus();
    const QString folder = QFileInfo(scratchPath("x")).absolutePath();
    const QStringList before = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    const QString existing = writeFile("kept.pdf", "the earlier file");

    printDialog.cancelAtPage = 2;
    printToPdf("kept.pdf");
    const int pages = printDialog.lastSetup.pageCount;
    ASSERT_GE(pages, 4);
    EXPECT_EQ(printDialog.countsShown.size(), pages - 1) << "told while counting";
    EXPECT_EQ(printDialog.progressShown, (QList<std::pair<int, int>>{{1, pages}, {2, pages}}));
    QFile kept(existing);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "the earlier file");
    const QString fresh = printToPdf("fresh.pdf");
    EXPECT_FALSE(QFileInfo::exists(fresh));
    QStringList after = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    QStringList expected = before + QStringList{"kept.pdf"};
    after.sort();
    expected.sort();
    EXPECT_EQ(after, expected) << "no half-written file is left behind";
    EXPECT_TRUE(messages.boxes().isEmpty());
    EXPECT_EQ(app().document().state, DocState::Saved);

    // Cancel while the pages are counted ends the command before the dialog.
    printDialog.cancelAtCount = 2;
    const int shown = printDialog.shown;
    printDialog.countsShown.clear();
    press(QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(printDialog.shown, shown);
    EXPECT_EQ(printDialog.countsShown, (QList<int>{1, 2}));
    printDialog.cancelAtCount = 0;

    // Without Cancel the same job ends with the whole file under its name.
    printDialog.cancelAtPage = 0;
    printDialog.progressShown.clear();
    printToPdf("kept.pdf");
    EXPECT_EQ(pdfPageCount(existing), pages);
    EXPECT_EQ(printDialog.progressShown.size(), pages);
}

TEST_F(Printing, TheDialogOffersThePdfBesideTheDocument)
{
    const QString file = writeFile("Chapter.one.rtf", "{\\rtf1 text\\par}");
    start({file});
    editor().setFocus();
    printDialog.cancelNext();
    press(QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(printDialog.lastSetup.pdfPath, QFileInfo(file).absolutePath() + "/Chapter.one.pdf");

    press(QKeySequence(Qt::CTRL | Qt::Key_N));
    processEvents();
    printDialog.cancelNext();
    press(QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(printDialog.lastSetup.pdfPath, QDir::homePath() + "/Untitled.pdf");
}

// Paragraph formats on paper against the same paragraphs on the screen, at a
// printer of 96 and of 1,200 dots per inch.
class PrintedIndents : public Printing, public ::testing::WithParamInterface<int> {};

TEST_P(PrintedIndents, IndentsListsAndTabsAtTheirTrueSize)
{
    constexpr double margin = 72;  // "1,00 inch"
    storeOptions(2, 2, 2, 2, 0);
    start();
    editor().setFocus();
    auto words = [](const char* stem, int count) {
        QStringList list;
        for (int i = 1; i <= count; ++i)
            list << QString::fromLatin1(stem) + QString::number(i);
        return list.join(' ');
    };
    editor().setText(QStringList{"Aone inch", words("b", 90), words("c", 90), words("d", 90), "Etab\tEstop",
                                 words("f", 90), "Gtab\tGdefault"}
                         .join("\n"));
    struct Case {
        int paragraph;
        qreal first;  // points, as the format commands take them
        qreal left;
        qreal right;
        bool bullet;
        QList<qreal> tabs;
    };
    const Case cases[] = {
        {0, 72, 0, 0, false, {}},      // a one-inch left indent
        {1, 36, -36, 0, false, {}},    // a half-inch first-line indent
        {2, 0, 0, 144, false, {}},     // a two-inch right indent
        {3, 0, 0, 0, true, {}},        // a bulleted paragraph that wraps
        {4, 0, 0, 0, false, {144}},    // a tab stop at two inches
        {5, 0, 36, 0, false, {}},      // a hanging indent
    };
    QTextDocument* doc = editor().document();
    for (const Case& c : cases) {
        const int pos = editor().fromDocumentPosition(doc->findBlockByNumber(c.paragraph).position());
        editor().setSelection(pos, 1);
        ParagraphFormat format;
        format.firstIndent = c.first;
        format.leftIndent = c.left;
        format.rightIndent = c.right;
        format.bullet = c.bullet;
        format.tabStops = c.tabs;
        editor().setSelectionParagraphFormat(format, ParagraphAttribute::FirstIndent | ParagraphAttribute::LeftIndent |
                                                         ParagraphAttribute::RightIndent | ParagraphAttribute::Bullet |
                                                         ParagraphAttribute::TabStops);
    }
    editor().setSelection(0, 0);

    // Where the screen puts a word and the next lines, in points from the text's left edge.
    auto screenX = [&](int paragraph, const QString& word) {
        const QTextBlock block = doc->findBlockByNumber(paragraph);
        doc->documentLayout()->blockBoundingRect(block);
        const QTextLayout* layout = block.layout();
        const int at = int(block.text().indexOf(word));
        return (layout->position().x() + layout->lineForTextPosition(at).cursorToX(at)) * 0.75;
    };
    auto screenNextLinesX = [&](int paragraph) {
        const QTextBlock block = doc->findBlockByNumber(paragraph);
        doc->documentLayout()->blockBoundingRect(block);
        const QTextLayout* layout = block.layout();
        EXPECT_GT(layout->lineCount(), 1) << "paragraph " << paragraph << " wraps on the screen";
        return (layout->position().x() + layout->lineAt(1).x()) * 0.75;
    };

    printDialog.setResolution(GetParam());
    const QString pdf = printToPdf("indents.pdf");
    const QList<PdfWord> printed = pdfWords(pdf);
    auto word = [&](const QString& text) {
        for (const PdfWord& w : printed)
            if (w.text == text)
                return w;
        ADD_FAILURE() << "not printed: " << text.toStdString();
        return PdfWord{};
    };
    // The first word of each printed line of a paragraph after its first line.
    auto nextLines = [&](const QString& stem) {
        std::map<int, PdfWord> leftmost;
        auto lineKey = [](const PdfWord& w) { return w.page * 10000 + qRound(w.top); };
        const int firstLine = lineKey(word(stem + "1"));
        for (const PdfWord& w : printed) {
            const int key = lineKey(w);
            if (!w.text.startsWith(stem) || key == firstLine)
                continue;
            if (!leftmost.count(key) || w.left < leftmost[key].left)
                leftmost[key] = w;
        }
        QList<double> lefts;
        for (const auto& [key, w] : leftmost)
            lefts << w.left;
        EXPECT_GE(lefts.size(), 2) << stem.toStdString() << " wraps on paper";
        return lefts;
    };
    const double tolerance = 1.0;

    EXPECT_NEAR(word("Aone").left, margin + 72, tolerance);
    EXPECT_NEAR(word("Aone").left, margin + screenX(0, "Aone"), tolerance);

    EXPECT_NEAR(word("b1").left, margin + 36, tolerance);
    EXPECT_NEAR(word("b1").left, margin + screenX(1, "b1"), tolerance);
    for (double left : nextLines("b"))
        EXPECT_NEAR(left, margin + screenNextLinesX(1), tolerance);

    const PdfWord c1 = word("c1");
    const double rightEdge = c1.pageWidth - margin - 144;
    double widest = 0;
    for (const PdfWord& w : printed)
        if (w.text.startsWith('c'))
            widest = std::max(widest, w.right);
    EXPECT_LE(widest, rightEdge + tolerance);
    EXPECT_GE(widest, rightEdge - 40) << "lines run up to the right indent";

    for (double left : nextLines("d"))
        EXPECT_NEAR(left, word("d1").left, tolerance) << "wrapped list lines line up with the first";
    EXPECT_NEAR(word("d1").left, margin + screenX(3, "d1"), tolerance);
    EXPECT_GT(word("d1").left, margin + 10) << "the text stands clear of the bullet";

    EXPECT_NEAR(word("Estop").left, margin + 144, tolerance);
    EXPECT_NEAR(word("Estop").left, margin + screenX(4, "Estop"), tolerance);

    EXPECT_NEAR(word("f1").left, margin, tolerance);
    for (double left : nextLines("f"))
        EXPECT_NEAR(left, margin + 36, tolerance);

    EXPECT_NEAR(word("Gdefault").left, margin + screenX(6, "Gdefault"), tolerance) << "the default tab stops";
}

INSTANTIATE_TEST_SUITE_P(Resolutions, PrintedIndents, ::testing::Values(96, 1200));

TEST_F(Printing, ALongParagraphBreaksBetweenPagesWithEveryWordOnce)
{
    storeOptions(2, 2, 2, 2, 0);
    start();
    editor().setFocus();
    QStringList text;
    for (int i = 1; i <= 3000; ++i)
        text << QStringLiteral("w%1").arg(i);
    editor().setText(text.join(' '));
    const QString pdf = printToPdf("paragraph.pdf");
    EXPECT_GE(pdfPageCount(pdf), 2);
    QStringList printed;
    for (const PdfWord& w : pdfWords(pdf))
        printed << w.text;
    EXPECT_EQ(printed, text);
}

TEST_F(Printing, APictureKeepsItsSizeOnPaper)
{
    QImage image(4, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    // One inch wide between two words.
    const QByteArray rtf = "{\\rtf1\\ansi Before{\\pict\\pngblip\\picw4\\pich2\\picwgoal1440\\pichgoal720 " +
                           png.data().toHex() + "}After\\par}";
    storeOptions(2, 2, 2, 2, 0);
    for (const int dpi : {96, 1200}) {
        start({writeFile("Picture.rtf", rtf)});
        editor().setFocus();
        printDialog.setResolution(dpi);
        const QList<PdfWord> words = pdfWords(printToPdf(QStringLiteral("picture-%1.pdf").arg(dpi)));
        ASSERT_EQ(words.size(), 2) << dpi;
        EXPECT_NEAR(words[1].left - words[0].right, 72, 1.5) << dpi;
        stop();
    }
}

TEST_F(Printing, TheViewIsPutBackToThePixelAfterPrintingASelection)
{
    start({writeFile("Letter.txt", numberedLines(400))});
    editor().setFocus();
    const int start = editor().lineIndex(300);
    editor().setSelection(start, editor().lineIndex(330) - start);
    // A view scrolled by the wheel or the bar need not start on a line.
    editor().verticalScrollBar()->setValue(1003);
    const int firstLine = editor().firstVisibleLine();
    ASSERT_EQ(editor().verticalScrollBar()->value(), 1003);

    const QString pdf = printToPdf("selection.pdf", PrintRange::Selection);
    expectEachLineOnce(pdfText(pdf), 30);
    EXPECT_EQ(editor().verticalScrollBar()->value(), 1003);
    EXPECT_EQ(editor().horizontalScrollBar()->value(), 0);
    EXPECT_EQ(editor().firstVisibleLine(), firstLine);
    EXPECT_EQ(editor().selStart(), start);
}

TEST_F(Printing, TheSelectionPrintsAloneAndStaysSelected)
{
    start({writeFile("Letter.txt", numberedLines(40))});
    editor().setFocus();
    EXPECT_EQ(printCaption(), "&Print...");
    const int start = editor().lineIndex(9);
    const int length = editor().lineIndex(12) - start;
    editor().setSelection(start, length);
    EXPECT_EQ(printCaption(), "&Print Selection...");

    const QString pdf = printToPdf("selection.pdf", PrintRange::Selection);
    EXPECT_TRUE(printDialog.lastSelectionAvailable);
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains("Line10 of")) << text.toStdString();
    EXPECT_TRUE(text.contains("Line12 of"));
    EXPECT_FALSE(text.contains("Line9 of"));
    EXPECT_FALSE(text.contains("Line13 of"));
    EXPECT_FALSE(text.contains("Page 1")) << "the header is off until it is stored";
    EXPECT_EQ(editor().selStart(), start);
    EXPECT_EQ(editor().selLength(), length);
}

TEST_F(Printing, AnUnsavedDocumentIsUntitledAndStaysModified)
{
    storeOptions(2, 2, 2, 2, 1);
    startWith();
    editor().setFocus();
    type("draft words");
    const QString pdf = printToPdf("draft.pdf");
    EXPECT_EQ(pdfTitle(pdf), "Quillpress - Untitled");
    EXPECT_TRUE(pdfText(pdf).contains("Untitled - 2024-05-01/14:30 - Page 1"));
    EXPECT_EQ(app().document().state, DocState::Modified);
}

TEST_F(Printing, AnEmptyDocumentOrACancelledDialogStartsNoJob)
{
    start();
    editor().setFocus();
    const QString empty = printToPdf("empty.pdf");
    EXPECT_FALSE(QFileInfo::exists(empty));
    EXPECT_TRUE(messages.boxes().isEmpty());
    EXPECT_EQ(app().document().state, DocState::New);

    type("text");
    printDialog.cancelNext();
    press(QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(printDialog.shown, 2);
    EXPECT_EQ(app().document().state, DocState::Modified);
}

TEST_F(Printing, TheLeftMarginIsMeasuredFromTheSheet)
{
    storeOptions(8, 2, 2, 2, 0);  // "2,50 cm" = 0.98 inch
    start({writeFile("Letter.txt", numberedLines(3))});
    editor().setFocus();
    const QString pdf = printToPdf("margin.pdf");
    EXPECT_NEAR(pdfWordLeft(pdf, "Line1"), 0.98 * 72, 1.5);
    EXPECT_EQ(options().margins().left, 98);
}

TEST_F(Printing, ABodyWithNoRoomEndsTheJobWithAMessage)
{
    storeOptions(5, 5, 2, 2, 1);  // 1,75 inch each side on a 3 inch wide sheet
    start({writeFile("Letter.txt", numberedLines(3))});
    editor().setFocus();
    const QString pdf = scratchPath("narrow.pdf");
    printDialog.acceptTo(pdf, PrintRange::All, QPageSize(QSizeF(3, 3), QPageSize::Inch, "tiny"));
    press(QKeySequence(Qt::CTRL | Qt::Key_P));
    ASSERT_EQ(messages.texts().size(), 1);
    EXPECT_TRUE(messages.texts().first().contains("no room"));
    EXPECT_EQ(pdfPageCount(pdf), 1);
    EXPECT_EQ(editor().selLength(), 0);
}

TEST_F(Printing, PreviewPaintsTheSamePages)
{
    storeOptions(2, 2, 2, 2, 1);
    startWith({writeFile("Letter.txt", numberedLines(200))});
    editor().setFocus();
    const QString pdf = scratchPath("preview.pdf");
    printDialog.previewTo(pdf);
    press(QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(printDialog.previews, 1);
    EXPECT_GE(pdfPageCount(pdf), 3);
    EXPECT_TRUE(pdfText(pdf, 3, 3).contains("Letter.txt - 2024-05-01/14:30 - Page 3"));
}

// ---- Print Options ----

TEST_F(Printing, OptionsStartAtOneInchWithoutHeaderAndOkStoresAllFive)
{
    start();
    press(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    processEvents();
    ASSERT_TRUE(options().isVisible());
    for (const char* name : {"ComboBox1", "ComboBox2", "ComboBox3", "ComboBox4"}) {
        EXPECT_EQ(box(name).currentText(), "1,00 inch") << name;
        EXPECT_EQ(box(name).count(), 12);
    }
    EXPECT_FALSE(options().findChild<QCheckBox*>("CheckBox1")->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), options().findChild<QPushButton*>("Button1"));

    box("ComboBox1").setCurrentIndex(11);
    box("ComboBox4").setCurrentIndex(6);
    options().findChild<QCheckBox*>("CheckBox1")->setChecked(true);
    QTest::mouseClick(options().findChild<QPushButton*>("Button1"), Qt::LeftButton);
    EXPECT_FALSE(options().isVisible());
    const auto key = RegKey::openSettingsRead(registry(), "PrintOptions");
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readInteger("Default_LeftMargin"), 11);
    EXPECT_EQ(key->readInteger("Default_RightMargin"), 2);
    EXPECT_EQ(key->readInteger("Default_TopMargin"), 2);
    EXPECT_EQ(key->readInteger("Default_BottomMargin"), 6);
    EXPECT_EQ(key->readInteger("Default_Header"), 1);
    EXPECT_EQ(options().margins().left, 157);
    EXPECT_EQ(options().margins().bottom, 59);
}

TEST_F(Printing, CancelAndItsKeysCloseWithoutStoring)
{
    storeOptions(3, 3, 3, 3, 0);
    start({writeFile("Letter.txt", numberedLines(3))});
    for (const QKeySequence& close : {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)}) {
        editor().setFocus();
        press(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
        processEvents();
        ASSERT_TRUE(options().isVisible());
        box("ComboBox1").setCurrentIndex(0);
        press(close);
        EXPECT_FALSE(options().isVisible()) << close.toString().toStdString();
    }
    // The store wins over the box Cancel left behind.
    editor().setFocus();
    printToPdf("after-cancel.pdf");
    EXPECT_EQ(options().margins().left, 125);
    EXPECT_EQ(RegKey::openSettingsRead(registry(), "PrintOptions")->readInteger("Default_LeftMargin"), 3);
}

TEST_F(Printing, AStoredIndexOutOfRangeKeepsTheLastConvertedMargin)
{
    storeOptions(4, 2, 2, 2, 0);
    start({writeFile("Letter.txt", numberedLines(3))});
    editor().setFocus();
    printToPdf("first.pdf");
    EXPECT_EQ(options().margins().left, 150);

    storeOptions(99, 2, 2, -1, 0);
    editor().setFocus();
    const QString pdf = printToPdf("second.pdf");
    EXPECT_EQ(box("ComboBox1").currentIndex(), -1);
    EXPECT_EQ(options().margins().left, 150);
    EXPECT_EQ(options().margins().bottom, 100);
    EXPECT_NEAR(pdfWordLeft(pdf, "Line1"), 1.5 * 72, 1.5);
}

// ---- "-p" on the command line ----

TEST_F(Printing, PrintArgumentPrintsTheFileThenCloses)
{
    const QString pdf = scratchPath("cmdline.pdf");
    printDialog.acceptTo(pdf);
    TApp& window = start({writeFile("Letter.txt", numberedLines(5)), "-p"});
    EXPECT_EQ(printDialog.shown, 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(pdfText(pdf).contains("Line5 of"));
}

TEST_F(Printing, PrintArgumentWithTheDialogCancelledStillCloses)
{
    printDialog.cancelNext();
    TApp& window = start({writeFile("Letter.txt", numberedLines(5)), "-p"});
    EXPECT_EQ(printDialog.shown, 1);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(messages.boxes().isEmpty());
}

}  // namespace
