// Replace All on a 10 MB document through the Find and Replace window of the
// running program, with the status bar shown: time against the number of matches.
#include "app/Applic.h"
#include "editing/Window_FindAndReplace.h"
#include "editor/RichEdit.h"

#include "BenchProgram.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>

namespace {

using namespace qp;
using bench::Program;

enum class Spread { Even, AtTheTop };

// About 10 MB in 200,000 paragraphs of about 50 characters, with `matches`
// times "needle" spread evenly over the text or packed into its first paragraphs.
QString document(int matches, Spread spread)
{
    constexpr int paragraphs = 200'000;
    constexpr int packedPerParagraph = 7;
    const QString plain = QStringLiteral("The quick brown fox jumps over the lazy dog ab");
    const QString marked = QStringLiteral("The quick brown fox needle over the lazy dog ab");
    QString text;
    text.reserve(paragraphs * 52);
    int placed = 0;
    for (int i = 0; i < paragraphs; ++i) {
        const int due = spread == Spread::Even ? int(qint64(matches) * (i + 1) / paragraphs)
                                               : std::min(matches, placed + packedPerParagraph);
        QStringList parts;
        for (; placed < due; ++placed)
            parts << (spread == Spread::Even ? marked : QStringLiteral("needle"));
        text += parts.isEmpty() ? plain : parts.join(QLatin1Char(' '));
        text += QLatin1String("\r\n");
    }
    return text;
}

void replaceAllRuns(benchmark::State& state, Spread spread)
{
    Program p;
    TApp& app = *p.app;
    auto* dialog = app.windows().findAndReplace;
    RichEdit& editor = app.editor();
    const int matches = int(state.range(0));
    const QString text = document(matches, spread);

    // The status bar is shown, as it is after a first start.
    if (!app.action(Command::View_StatusBarEnabled)->isChecked())
        state.SkipWithError("the status bar is off");
    dialog->show();
    dialog->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("needle"));
    dialog->findChild<QLineEdit*>(QStringLiteral("Edit2"))->setText(QStringLiteral("pin"));

    double undoMillis = 0;
    for (auto _ : state) {
        state.PauseTiming();
        editor.setText(text);
        editor.setSelection(0, 0);
        QCoreApplication::processEvents();
        state.ResumeTiming();

        dialog->replaceAll();

        state.PauseTiming();
        if (p.messages.last != QString::number(matches) + QStringLiteral(" replacements maked."))
            state.SkipWithError(qPrintable(QStringLiteral("unexpected: ") + p.messages.last));
        // Its Undo, timed apart, the repaint it asks for included.
        QElapsedTimer clock;
        clock.start();
        editor.undo();
        QCoreApplication::processEvents();
        undoMillis += double(clock.nsecsElapsed()) / 1e6;
        if (editor.text() != text)
            state.SkipWithError("undo did not restore the text");
        state.ResumeTiming();
    }
    state.counters["undo_ms"] = undoMillis / double(state.iterations());
    state.counters["MB"] = double(text.size()) / 1e6;
    state.SetComplexityN(matches);
}

// The whole command; the caret ends near the end of the text.
void BM_ReplaceAll(benchmark::State& state)
{
    replaceAllRuns(state, Spread::Even);
}

// The same number of matches packed into the top of the same amount of text:
// the caret ends near the top, so the editor lays out little to show it.
void BM_ReplaceAllMatchesAtTheTop(benchmark::State& state)
{
    replaceAllRuns(state, Spread::AtTheTop);
}

}  // namespace

BENCHMARK(BM_ReplaceAll)
    ->Arg(10'000)
    ->Arg(50'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Complexity(benchmark::oN);
BENCHMARK(BM_ReplaceAllMatchesAtTheTop)
    ->Arg(10'000)
    ->Arg(50'000)
    ->Arg(100'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Complexity(benchmark::oN);

// For comparison: the editor's own cost of putting the caret near the end of
// the same freshly loaded document, which makes it lay out all the text before it.
static void BM_CaretToEndOfFreshDocument(benchmark::State& state)
{
    Program p;
    RichEdit& editor = p.app->editor();
    const QString text = document(100'000, Spread::Even);
    for (auto _ : state) {
        state.PauseTiming();
        editor.setText(text);
        editor.setSelection(0, 0);
        QCoreApplication::processEvents();
        state.ResumeTiming();
        editor.setSelection(editor.textLength() - 100, 0);
    }
}

// Keys typed at the top of the 10 MB text in the program's own window, with
// its status bar and command updates: process CPU time per key.
static void BM_TypeAtTopOfTheWindow(benchmark::State& state)
{
    Program p;
    RichEdit& editor = p.app->editor();
    editor.setText(document(0, Spread::Even));
    editor.setSelection(0, 0);
    editor.setFocus();
    editor.completeLineLayout();
    QCoreApplication::processEvents();
    const auto cpu = [] {
        timespec ts{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
        return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
    };
    int typed = 0;
    for (auto _ : state) {
        const double start = cpu();
        QTest::keyClick(&editor, Qt::Key(Qt::Key_A + typed++ % 26));
        QCoreApplication::processEvents();
        state.SetIterationTime(cpu() - start);
    }
}
BENCHMARK(BM_TypeAtTopOfTheWindow)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_CaretToEndOfFreshDocument)->Unit(benchmark::kMillisecond)->Iterations(3);
