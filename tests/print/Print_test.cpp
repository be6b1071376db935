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

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QPushButton>
#include <QTest>

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
