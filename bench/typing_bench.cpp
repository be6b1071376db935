// Typing into a 10 MB text of 200,000 wrapped paragraphs through real key
// events, with the status bar refreshed as the main window refreshes it:
// CPU time per key at the top, in the middle and at the end, the paint of the
// changed line included. Every run checks the kept line and text counts
// against a full recount.
#include "app/document/Recovery.h"
#include "editing/EditCommands.h"
#include "editing/Tools_Statusbar.h"
#include "editor/DocumentStatistics.h"
#include "editor/RichEdit.h"
#include "spelling/SpellChecker.h"
#include "spelling/SpellingMarks.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory>
#include <random>

namespace {

constexpr int kParagraphs = 200000;

// 200,000 paragraphs of 0 to 100 characters, about 10 MB; at the editor's
// width a good share of them wrap.
QString bigText()
{
    std::mt19937 random(11);
    const QString words = QStringLiteral(
        "the quick brown fox jumps over a lazy dog while writers keep on writing and writing "
        "until the night is over and the morning comes again to the quiet town ");
    QString text;
    text.reserve(kParagraphs * 52);
    for (int i = 0; i < kParagraphs; ++i) {
        const int length = int(random() % 101);
        text += words.mid(int(random() % 40), length);
        text += QLatin1Char('\n');
    }
    return text;
}

double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Runs the event loop until nothing is pending for a while (lazy layout,
// line tracking and paint done).
void settle(int quietMillis = 50)
{
    QElapsedTimer idle;
    idle.start();
    while (idle.elapsed() < quietMillis) {
        double before = cpuSeconds();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (cpuSeconds() - before > 0.0005)
            idle.restart();
    }
}

struct Window {
    explicit Window(bool wrap = true)
    {
        editor.resize(560, 700);
        editor.setWordWrap(wrap);
        editor.setText(bigText());
        editor.show();
        bar->resize(1000, 24);
        bar->show();
        QObject::connect(&editor, &qp::RichEdit::editTextChanged, &editor, [this] {
            qp::refreshCounts(*bar, statistics);
            qp::refreshLines(*bar, editor);
            qp::refreshPages(*bar, editor, 58);
            qp::refreshCaretPosition(*bar, editor);
        });
        QObject::connect(&editor, &qp::RichEdit::editSelectionChanged, &editor, [this] {
            qp::refreshCounts(*bar, statistics);
            qp::refreshCaretPosition(*bar, editor);
            qp::refreshCharacterCode(*bar, editor, statistics);
        });
        editor.setFocus();
        editor.completeLineLayout();
        settle();
    }
    qp::RichEdit editor;
    qp::DocumentStatistics statistics{editor};
    std::unique_ptr<qp::StatusBar> bar{qp::createStatusBar1(nullptr)};
};

Window& window()
{
    // Left for the process exit: widgets must not outlive the application.
    static Window* w = new Window;
    return *w;
}

// The same text with word wrap off: one line a paragraph, run on past the window.
Window& unwrappedWindow()
{
    static Window* w = new Window(false);
    return *w;
}

// The same text with spell checking on (the system's English dictionary),
// every shown paragraph checked before typing starts; nullptr without one.
struct CheckedWindow {
    Window window;
    std::unique_ptr<qp::SpellChecker> checker;
    std::unique_ptr<qp::SpellingMarks> marks;
};

CheckedWindow* checkedWindow()
{
    static CheckedWindow* w = [] {
        auto checker = qp::createHunspellChecker(QStringLiteral("/usr/share/hunspell"), QStringLiteral("en_US"));
        if (!checker)
            return static_cast<CheckedWindow*>(nullptr);
        auto* c = new CheckedWindow;
        c->checker = std::move(checker);
        c->marks = std::make_unique<qp::SpellingMarks>(c->window.editor, *c->checker);
        c->marks->setEnabled(true);
        return c;
    }();
    return w;
}

// Display lines counted from every block's own layout, each laid out for
// real (paragraphs measured as one line have none until shown).
int recountLines(qp::RichEdit& editor)
{
    editor.completeLineLayout();
    QAbstractTextDocumentLayout* documentLayout = editor.document()->documentLayout();
    int lines = 0;
    for (QTextBlock b = editor.document()->begin(); b.isValid(); b = b.next()) {
        documentLayout->blockBoundingRect(b);
        const QTextLayout* layout = b.layout();
        lines += std::max(1, layout ? layout->lineCount() : 1);
    }
    return lines;
}

void checkCounts(benchmark::State& state, Window& w)
{
    settle();
    const bool textExact = w.statistics.total() == qp::countText(w.editor.text());
    const int kept = w.editor.lineCount();
    const bool linesExact = kept == recountLines(w.editor);
    state.counters["lines"] = double(kept);
    state.counters["equals_full_count"] = textExact && linesExact ? 1 : 0;
    if (!textExact || !linesExact)
        state.SkipWithError("kept counts differ from a full recount");
}

// Types one key at `fraction` of the text per iteration, the events it
// causes (paint, status bar) processed; the time is the process CPU time.
void typeAt(benchmark::State& state, double fraction, Window& w = window())
{
    const int pos = fraction >= 1 ? w.editor.textLength() : int(w.editor.textLength() * fraction);
    w.editor.setSelection(pos, 0);
    w.editor.ensureCursorVisible();
    settle();
    int typed = 0;
    double worst = 0;
    for (auto _ : state) {
        const double start = cpuSeconds();
        QTest::keyClick(&w.editor, Qt::Key(Qt::Key_A + typed % 26));
        QCoreApplication::processEvents();
        const double used = cpuSeconds() - start;
        worst = std::max(worst, used);
        state.SetIterationTime(used);
        ++typed;
    }
    state.counters["worst_ms"] = worst * 1000;
    // Line layout left to the idle slices by the burst, then the counts.
    const double start = cpuSeconds();
    while (!w.editor.isLineLayoutComplete())
        QCoreApplication::processEvents();
    state.counters["background_ms"] = (cpuSeconds() - start) * 1000;
    checkCounts(state, w);
}

// The same typing with recovery copies on, as the program keeps them: a key
// restarts the keeper's timers, and the copy waits for a pause in typing (its
// cost on the GUI thread is measured below).
struct Recovering {
    explicit Recovering(Window& w)
        : keeper(folder.path(), qp::RecoveryKeeper::delayFromEnvironment(),
                 qp::RecoveryKeeper::Source{[] { return true; }, [&w] { return qp::DocumentSnapshot::of(w.editor); },
                                            [] { return QString(); }})
    {
        QObject::connect(&w.editor, &qp::RichEdit::editTextChanged, &keeper, [this] { keeper.documentChanged(); });
        QObject::connect(&keeper, &qp::RecoveryKeeper::copyWritten, &keeper, [this] { ++copies; });
    }
    ~Recovering() { keeper.finish(); }
    QTemporaryDir folder;
    qp::RecoveryKeeper keeper;
    int copies = 0;
};

void BM_TypeAtTopWithRecovery(benchmark::State& state)
{
    Window& w = window();
    Recovering recovering(w);
    typeAt(state, 0, w);
    recovering.keeper.flush();
    QCoreApplication::processEvents();
    state.counters["copies"] = recovering.copies;
}

// What a copy costs the GUI thread: the snapshot of the 10 MB document's
// content (rich), or its text (plain).
void snapshotOf(benchmark::State& state, qp::TextMode mode)
{
    Window& w = window();
    const qp::TextMode before = w.editor.textMode();
    w.editor.setTextMode(mode);
    for (auto _ : state) {
        const double start = cpuSeconds();
        const qp::DocumentSnapshot snapshot = qp::DocumentSnapshot::of(w.editor);
        state.SetIterationTime(cpuSeconds() - start);
        benchmark::DoNotOptimize(snapshot.text.size());
    }
    w.editor.setTextMode(before);
}
void BM_RecoverySnapshotRich(benchmark::State& state) { snapshotOf(state, qp::TextMode::Rich); }
void BM_RecoverySnapshotPlain(benchmark::State& state) { snapshotOf(state, qp::TextMode::Plain); }

void BM_TypeAtTop(benchmark::State& state) { typeAt(state, 0); }
void BM_TypeInMiddle(benchmark::State& state) { typeAt(state, 0.5); }
void BM_TypeAtEnd(benchmark::State& state) { typeAt(state, 1); }
void BM_TypeAtTopUnwrapped(benchmark::State& state) { typeAt(state, 0, unwrappedWindow()); }
// Typing with spell checking on: the marks of the typed paragraph move along
// with each key; the check waits for a pause in the typing.
void BM_TypeAtTopSpellChecked(benchmark::State& state)
{
    CheckedWindow* w = checkedWindow();
    if (!w) {
        state.SkipWithError("no en_US dictionary installed");
        return;
    }
    w->marks->checkVisibleNow();
    typeAt(state, 0, w->window);
}

// The check that follows a pause: the shown paragraphs whose words changed,
// after one key each time.
void BM_SpellCheckAfterPause(benchmark::State& state)
{
    CheckedWindow* w = checkedWindow();
    if (!w) {
        state.SkipWithError("no en_US dictionary installed");
        return;
    }
    qp::RichEdit& editor = w->window.editor;
    editor.setSelection(0, 0);
    w->marks->checkVisibleNow();
    int typed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QTest::keyClick(&editor, Qt::Key(Qt::Key_A + typed++ % 26));
        QCoreApplication::processEvents();
        state.ResumeTiming();
        const double start = cpuSeconds();
        w->marks->checkVisibleNow();
        QCoreApplication::processEvents();
        state.SetIterationTime(cpuSeconds() - start);
    }
}

BENCHMARK(BM_TypeAtTop)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeAtTopWithRecovery)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecoverySnapshotRich)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecoverySnapshotPlain)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeInMiddle)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeAtEnd)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeAtTopUnwrapped)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TypeAtTopSpellChecked)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpellCheckAfterPause)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

// Enter at the top: a new paragraph moves every line below it.
void BM_EnterAtTop(benchmark::State& state)
{
    Window& w = window();
    w.editor.setSelection(10, 0);
    settle();
    for (auto _ : state) {
        const double start = cpuSeconds();
        QTest::keyClick(&w.editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        state.SetIterationTime(cpuSeconds() - start);
    }
    checkCounts(state, w);
}
BENCHMARK(BM_EnterAtTop)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// Upper Case over the whole text, paint included; Undo restores it untimed.
void BM_UpperCaseWholeText(benchmark::State& state)
{
    Window& w = window();
    for (auto _ : state) {
        state.PauseTiming();
        w.editor.selectAllText();
        settle();
        state.ResumeTiming();
        const double start = cpuSeconds();
        qp::editUpperCase(w.editor);
        QCoreApplication::processEvents();
        state.SetIterationTime(cpuSeconds() - start);
        state.PauseTiming();
        w.editor.undo();
        settle();
        state.ResumeTiming();
    }
    w.editor.setSelection(0, 0);
    checkCounts(state, w);
}
BENCHMARK(BM_UpperCaseWholeText)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

// Shift+Down at the end of a selection holding nearly the whole text.
void BM_ExtendSelectionByLine(benchmark::State& state)
{
    Window& w = window();
    w.editor.setSelection(10, w.editor.textLength() / 2);
    w.editor.ensureCursorVisible();
    settle();
    for (auto _ : state) {
        const double start = cpuSeconds();
        QTest::keyClick(&w.editor, Qt::Key_Down, Qt::ShiftModifier);
        QCoreApplication::processEvents();
        state.SetIterationTime(cpuSeconds() - start);
    }
    w.editor.setSelection(0, 0);
}
BENCHMARK(BM_ExtendSelectionByLine)->UseManualTime()->Iterations(50)->Unit(benchmark::kMillisecond);

// Opening the 10 MB text into a shown editor: usable once the text is in
// and painted, quiet once the background line layout is done (wall time).
void BM_OpenText10MB(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            state.SkipWithError("cannot write the text");
        file.write(bigText().toUtf8());
    }
    double usable = 0, quiet = 0, usableCpu = 0, quietCpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = std::make_unique<qp::RichEdit>();
        edit->resize(560, 700);
        edit->setWordWrap(true);
        edit->setTextMode(qp::TextMode::Plain);
        edit->show();
        settle();
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        const double cpu = cpuSeconds();
        edit->loadFile(path);
        QCoreApplication::processEvents();
        usable = double(clock.nsecsElapsed()) / 1e6;
        usableCpu = (cpuSeconds() - cpu) * 1000;
        while (!edit->isLineLayoutComplete())
            QCoreApplication::processEvents();
        quiet = double(clock.nsecsElapsed()) / 1e6;
        quietCpu = (cpuSeconds() - cpu) * 1000;
        state.PauseTiming();
        edit.reset();
        state.ResumeTiming();
    }
    state.counters["usable_ms"] = usable;
    state.counters["quiet_ms"] = quiet;
    // The wall times suffer from other work on the machine; these do not.
    state.counters["usable_cpu_ms"] = usableCpu;
    state.counters["quiet_cpu_ms"] = quietCpu;
}
BENCHMARK(BM_OpenText10MB)->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace
