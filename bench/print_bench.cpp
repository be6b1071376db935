// Printing to PDF at the printer's high resolution: the pages per second of
// texts of 100, 1,000 and 3,472 pages (the last the 10 MB text: 139,752 lines
// of 75 bytes). Each page costs the same wherever it lies, so the rate stays
// the same as the text grows.
#include "editor/RichEdit.h"
#include "print/PrintCommands.h"

#include <QCoreApplication>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

constexpr int kLinesOf10MB = 139752;
constexpr int kPagesOf10MB = 3472;

// Lines of prose of 74 characters and a line break each.
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

void BM_PrintToPdf(benchmark::State& state)
{
    const int lines = int(qint64(kLinesOf10MB) * state.range(0) / kPagesOf10MB);
    auto edit = std::make_unique<qp::RichEdit>();
    edit->resize(800, 600);
    edit->show();
    edit->setText(proseLines(lines));
    QCoreApplication::processEvents();
    QTemporaryDir dir;
    qp::PrintJob job;
    job.margins = {100, 100, 100, 100};
    job.header = true;
    job.name = QStringLiteral("Big.txt");
    int pages = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::A4));
        printer.setOutputFileName(dir.filePath(QStringLiteral("big.pdf")));
        pages = 0;
        const qp::PrintOutcome outcome = qp::printRange(*edit, printer, job, 0, edit->textLength(), [&](int page, int) {
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
BENCHMARK(BM_PrintToPdf)->Arg(100)->Arg(1000)->Arg(kPagesOf10MB)->Unit(benchmark::kSecond)->Iterations(1);

// Counting the pages for the print dialog: the layout without the drawing.
void BM_CountPages(benchmark::State& state)
{
    const int lines = int(qint64(kLinesOf10MB) * state.range(0) / kPagesOf10MB);
    auto edit = std::make_unique<qp::RichEdit>();
    edit->setText(proseLines(lines));
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    int pages = 0;
    for (auto _ : state)
        pages = qp::countPages(*edit, printer, {100, 100, 100, 100}, 0, edit->textLength());
    state.counters["pages"] = pages;
    state.counters["pages_per_second"] =
        benchmark::Counter(double(pages) * double(state.iterations()), benchmark::Counter::kIsRate);
    edit.reset();
}
BENCHMARK(BM_CountPages)->Arg(100)->Arg(kPagesOf10MB)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
