// Quitting with a 10 MB text open: Ctrl+Q, the close sequence, the end of the
// event loop and the end of the program's objects, as main runs them. The
// program must not wait on work it is about to throw away (the background
// line layout, the undo stack, the document itself).
#include "app/Applic.h"
#include "editor/RichEdit.h"

#include "BenchProgram.h"
#include "BenchText.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

namespace {

using bench::Program;
using qp::RichEdit;

QString tenMegabyteFile(const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("novel.txt"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(repeatedLines(QStringLiteral("Chapter and verse: the words a writer keeps, line after line.\n"),
                                 10'000'000)
                       .toUtf8());
    return path;
}

enum class Before { Opened, Edited };

void quitRuns(benchmark::State& state, Before before)
{
    QTemporaryDir dir;
    const QString path = tenMegabyteFile(dir);
    double closeMillis = 0;
    double teardownMillis = 0;
    for (auto _ : state) {
        state.PauseTiming();
        Program p({path});
        p.app->resize(1000, 700);
        RichEdit& editor = p.app->editor();
        if (editor.textLength() < 10'000'000)
            state.SkipWithError("the document did not open");
        // The user reads a little: the layout of the rest goes on in the background.
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        if (before == Before::Edited) {
            // Edits spread over the text fill the undo stack; the quit question is answered No.
            for (int i = 0; i < 50; ++i) {
                editor.setSelection(int(qint64(editor.textLength()) * i / 50), 0);
                QTest::keyClicks(editor.viewport(), QStringLiteral("word "));
            }
            QCoreApplication::processEvents();
        }
        state.ResumeTiming();

        QElapsedTimer clock;
        clock.start();
        QTest::keyClick(p.app.get(), Qt::Key_Q, Qt::ControlModifier);
        // The event loop ends on the exit the close asked for; then main's
        // objects go, the main window with its document first.
        QCoreApplication::processEvents();
        const bool closed = !p.app->isVisible();
        const qint64 closedAt = clock.nsecsElapsed();
        p.app.reset();
        const qint64 endedAt = clock.nsecsElapsed();
        state.SetIterationTime(double(endedAt) / 1e9);
        closeMillis += double(closedAt) / 1e6;
        teardownMillis += double(endedAt - closedAt) / 1e6;

        if (!closed)
            state.SkipWithError("Ctrl+Q did not close the window");
    }
    // Apart: the close sequence (the question, the settings it stores) and
    // the end of the main window with its document.
    state.counters["close_ms"] = closeMillis / double(state.iterations());
    state.counters["teardown_ms"] = teardownMillis / double(state.iterations());
}

void BM_QuitWithTenMegabytesOpen(benchmark::State& state)
{
    quitRuns(state, Before::Opened);
}
BENCHMARK(BM_QuitWithTenMegabytesOpen)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_QuitWithTenMegabytesEdited(benchmark::State& state)
{
    quitRuns(state, Before::Edited);
}
BENCHMARK(BM_QuitWithTenMegabytesEdited)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
