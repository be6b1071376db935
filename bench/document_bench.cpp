// Saving a 10 MB document and loading it again, in both file formats.
#include "editor/RichEdit.h"

#include "BenchText.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QString tenMegabytes()
{
    return repeatedLines(QStringLiteral("Chapter and verse: the words a writer keeps, line after line.\n"), 10'000'000);
}

void saveAndLoad(benchmark::State& state, qp::TextMode mode, const char* name)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(name));
    qp::RichEdit source;
    source.setTextMode(mode);
    source.setText(tenMegabytes());
    qp::RichEdit target;
    target.setTextMode(mode);
    for (auto _ : state) {
        source.saveFile(path);
        target.loadFile(path);
        QCoreApplication::processEvents();
    }
    if (target.textLength() != source.textLength())
        state.SkipWithError("the loaded text differs from the saved one");
    state.SetBytesProcessed(int64_t(state.iterations()) * source.textLength());
}

void BM_SaveAndLoadPlainText(benchmark::State& state)
{
    saveAndLoad(state, qp::TextMode::Plain, "big.txt");
}
BENCHMARK(BM_SaveAndLoadPlainText)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_SaveAndLoadRichText(benchmark::State& state)
{
    saveAndLoad(state, qp::TextMode::Rich, "big.rtf");
}
BENCHMARK(BM_SaveAndLoadRichText)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
