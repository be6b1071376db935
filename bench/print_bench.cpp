// Printing to PDF at the printer's high resolution (A4, one-inch margins,
// the header on): the pages per second of texts of 100, 1,000 and 3,472
// pages, and the time of the 10 MB text (139,752 lines of 75 bytes). Each
// page costs the same wherever it lies, so the rate stays the same as the
// text grows.
#include "editor/RichEdit.h"
#include "print/PrintCommands.h"

#include <QCoreApplication>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

constexpr int kLinesOf10MB = 139752;

// Lines of prose of 74 characters and a line break each: 139,752 of them
// make the 10 MB text.
QString proseLines(int count)
{
    std::mt19937 random(11);
    const QString words = QStringLiteral("the quick brown fox jumps over a lazy dog while writers keep on writing and "
                                         "the rain falls softly on the roofs of the town below ");
    QString text;
    text.reserve(qsizetype(count) * 75);
    for (int i = 0; i < count; ++i) {
        text += words.mid(int(random() % 40), 74);
        text += QLatin1Char('\n');
    }
    return text;
}

const qp::PrintMargins kMargins{100, 100, 100, 100};

std::unique_ptr<QPrinter> a4Printer()
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPageSize(QPageSize(QPageSize::A4));
    return printer;
}

// The lines of prose that fill `pages` A4 pages with one-inch margins.
int linesForPages(int pages)
{
    static const int perPage = [] {
        qp::RichEdit edit;
        edit.setText(proseLines(1000));
        auto printer = a4Printer();
        return 999 / (qp::countPages(edit, *printer, kMargins, 0, edit.textLength()) - 1);
    }();
    return pages * perPage;
}

void printToPdf(benchmark::State& state, int lines)
{
    auto edit = std::make_unique<qp::RichEdit>();
    edit->resize(800, 600);
    edit->show();
    edit->setText(proseLines(lines));
    QCoreApplication::processEvents();
    QTemporaryDir dir;
    qp::PrintJob job;
    job.margins = kMargins;
    job.header = true;
    job.name = QStringLiteral("Big.txt");
    int pages = 0;
    for (auto _ : state) {
        auto printer = a4Printer();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(dir.filePath(QStringLiteral("big.pdf")));
        pages = 0;
        const qp::PrintOutcome outcome = qp::printRange(*edit, *printer, job, 0, edit->textLength(), [&](int page, int) {
            pages = page;
            return true;
        });
        if (outcome != qp::PrintOutcome::Complete)
            state.SkipWithError("the job did not complete");
    }
    state.counters["pages"] = pages;
    state.counters["pages_per_second"] =
        benchmark::Counter(double(pages) * double(state.iterations()), benchmark::Counter::kIsRate);
    // Widgets go before the application object does.
    edit.reset();
}

// A text of as many pages as the argument: the rate stays the same as it grows.
void BM_PrintToPdf(benchmark::State& state)
{
    printToPdf(state, linesForPages(int(state.range(0))));
}
BENCHMARK(BM_PrintToPdf)->Arg(100)->Arg(1000)->Arg(3472)->Unit(benchmark::kSecond)->Iterations(1);

// The 10 MB text, to the last page.
void BM_PrintToPdf10MB(benchmark::State& state)
{
    printToPdf(state, kLinesOf10MB);
}
BENCHMARK(BM_PrintToPdf10MB)->Unit(benchmark::kSecond)->Iterations(1);

// Counting the pages for the print dialog: the layout without the drawing.
void BM_CountPages(benchmark::State& state)
{
    auto edit = std::make_unique<qp::RichEdit>();
    edit->setText(proseLines(linesForPages(int(state.range(0)))));
    auto printer = a4Printer();
    int pages = 0;
    for (auto _ : state)
        pages = qp::countPages(*edit, *printer, kMargins, 0, edit->textLength());
    state.counters["pages"] = pages;
    state.counters["pages_per_second"] =
        benchmark::Counter(double(pages) * double(state.iterations()), benchmark::Counter::kIsRate);
    edit.reset();
}
BENCHMARK(BM_CountPages)->Arg(100)->Arg(3472)->Unit(benchmark::kSecond)->Iterations(1);

// The first page of the 10 MB text: the snapshot of the document a job
// starts with and the paragraphs of its first page, the one step the window
// waits for without a progress box.
void BM_FirstPage10MB(benchmark::State& state)
{
    auto edit = std::make_unique<qp::RichEdit>();
    edit->setText(proseLines(kLinesOf10MB));
    auto printer = a4Printer();
    const qp::PageMetrics metrics = qp::pageMetrics(*printer);
    const QRectF body = qp::fromTwips(qp::toTwips(qp::bodyBox(metrics, kMargins), metrics), metrics);
    for (auto _ : state) {
        benchmark::DoNotOptimize(edit->measurePage(*printer, body, 0, edit->textLength()));
        edit->releaseRenderCache();
    }
    edit.reset();
}
BENCHMARK(BM_FirstPage10MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// What a job started with before: a clone of the whole 10 MB document.
void BM_CloneFor10MBJob(benchmark::State& state)
{
    auto edit = std::make_unique<qp::RichEdit>();
    edit->setText(proseLines(kLinesOf10MB));
    for (auto _ : state)
        std::unique_ptr<QTextDocument>(edit->document()->clone());
    edit.reset();
}
BENCHMARK(BM_CloneFor10MBJob)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
