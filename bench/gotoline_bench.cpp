// Go To Line on a 10 MB wrapped document: the jump to the last line and to
// the middle, scroll and selection included, with the line layout complete.
#include "BenchText.h"

#include "editing/Window_GoToLine.h"
#include "editor/RichEdit.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

// Left for the process exit: widgets must not outlive the application object.
qp::RichEdit& bigEditor()
{
    static qp::RichEdit* edit = [] {
        auto* e = new qp::RichEdit;
        e->resize(800, 600);
        e->setWordWrap(true);
        e->show();
        QCoreApplication::processEvents();
        // 200,000 paragraphs of 50 characters: 10 MB.
        e->setText(repeatedLines(QStringLiteral("a writer's line of text that fills fifty places.\n"), 10'000'000));
        e->completeLineLayout();
        return e;
    }();
    return *edit;
}

void BM_GoToLastLine(benchmark::State& state)
{
    qp::RichEdit& editor = bigEditor();
    for (auto _ : state) {
        editor.setSelection(0, 0);
        qp::goToLine(editor, editor.lineCount());
        QCoreApplication::processEvents();
    }
    state.counters["lines"] = editor.lineCount();
}
BENCHMARK(BM_GoToLastLine)->Unit(benchmark::kMillisecond);

void BM_GoToMiddleLine(benchmark::State& state)
{
    qp::RichEdit& editor = bigEditor();
    for (auto _ : state) {
        editor.setSelection(0, 0);
        qp::goToLine(editor, editor.lineCount() / 2);
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_GoToMiddleLine)->Unit(benchmark::kMillisecond);

}  // namespace
