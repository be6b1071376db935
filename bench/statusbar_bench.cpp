// Typing into a 10 MB document with the status bar shown: what the counting
// and the panel refresh add to each keystroke, and that the kept counts stay
// equal to a full count.
#include "editing/Tools_Statusbar.h"
#include "editor/DocumentStatistics.h"
#include "editor/RichEdit.h"

#include "BenchText.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

QString tenMegabytes()
{
    return repeatedLines(QStringLiteral("It was the best of times, it was the worst of times, said the narrator.\n"), 10'000'000);
}

struct Window {
    Window()
    {
        editor.setWordWrap(false);
        editor.setText(tenMegabytes());
        editor.resize(800, 600);
        editor.show();
        bar->resize(1000, 24);
        editor.setSelection(editor.textLength() / 2, 0);
        QCoreApplication::processEvents();
    }
    qp::RichEdit editor;
    qp::DocumentStatistics statistics{editor};
    std::unique_ptr<qp::StatusBar> bar{qp::createStatusBar1(nullptr)};
};

// What the main window does on text changed and selection changed while the bar shows.
void refreshForKeystroke(Window& w)
{
    qp::refreshCounts(*w.bar, w.statistics);
    qp::refreshLines(*w.bar, w.editor);
    qp::refreshPages(*w.bar, w.editor, 58);
    qp::refreshCaretPosition(*w.bar, w.editor);
    qp::refreshCounts(*w.bar, w.statistics);
    qp::refreshCaretPosition(*w.bar, w.editor);
    qp::refreshCharacterCode(*w.bar, w.editor, w.statistics);
}

// The counting and refresh of one keystroke, timed alone; the key itself
// (the editor's own edit and layout) is not counted here.
void BM_KeystrokeCountAndRefresh(benchmark::State& state)
{
    Window w;
    w.statistics.total();
    int typed = 0;
    for (auto _ : state) {
        QTest::keyClick(&w.editor, Qt::Key(Qt::Key_A + typed % 26));
        QElapsedTimer timer;
        timer.start();
        refreshForKeystroke(w);
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        ++typed;
    }
    state.counters["chars"] = double(w.statistics.total().characters);
    const bool exact = w.statistics.total() == qp::countText(w.editor.text());
    state.counters["equals_full_count"] = exact ? 1 : 0;
    if (!exact)
        state.SkipWithError("kept counts differ from a full count");
}
BENCHMARK(BM_KeystrokeCountAndRefresh)->UseManualTime()->Iterations(1000)->Unit(benchmark::kMicrosecond);

// The kept counts' own bookkeeping inside each edit, with the refresh.
void BM_KeystrokeWhole(benchmark::State& state)
{
    Window w;
    int typed = 0;
    for (auto _ : state) {
        QTest::keyClick(&w.editor, Qt::Key(Qt::Key_A + typed % 26));
        refreshForKeystroke(w);
        ++typed;
    }
}
BENCHMARK(BM_KeystrokeWhole)->Iterations(200)->Unit(benchmark::kMillisecond);

// What the kept counts spare: a full count of the 10 MB text.
void BM_FullRecount(benchmark::State& state)
{
    Window w;
    const QString text = w.editor.text();
    for (auto _ : state)
        benchmark::DoNotOptimize(qp::countText(text));
}
BENCHMARK(BM_FullRecount)->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace
