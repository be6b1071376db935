// Start-up with a 10 MB auto-word file (about 200,000 entries): from the
// start of the program until its window takes the first key, and apart from
// that, until the auto-word list holds every entry.
#include "app/Applic.h"
#include "app/Commands.h"
#include "editing/AutoWordList.h"

#include "BenchProgram.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <benchmark/benchmark.h>

namespace {

using bench::Program;

// Entries of varied case and length, in no order, as a long-kept file grows.
QByteArray tenMegabyteAutoWords(int& entries)
{
    static const char* const words[] = {"regards", "Chapter", "the", "Dear", "manuscript", "Yours", "faithfully",
                                        "scene", "EPILOGUE", "prologue", "sincerely", "draft", "Part", "notes"};
    QByteArray bytes;
    bytes.reserve(10'100'000);
    entries = 0;
    quint32 seed = 12345;
    while (bytes.size() < 10'000'000) {
        const int count = 3 + int(seed % 7);
        for (int i = 0; i < count; ++i) {
            seed = seed * 1664525u + 1013904223u;
            if (i > 0)
                bytes += ' ';
            bytes += words[(seed >> 16) % std::size(words)];
        }
        bytes += ' ';
        bytes += QByteArray::number(seed % 100000);
        bytes += "\r\n";
        ++entries;
    }
    return bytes;
}

// The program's folder holds the auto-word file, sorted alphabetically.
void prepareAutoWords(Program& program, const QByteArray& words, benchmark::State& state)
{
    QFile file(QDir(program.programDir.path()).filePath(QStringLiteral("Autowords.txt")));
    if (!file.open(QIODevice::WriteOnly) || file.write(words) != words.size())
        state.SkipWithError("cannot write the auto-word file");
    file.close();
    qp::RegKey::openSettingsWrite(program.registry, QStringLiteral("Miscellaneous"))
        .writeInteger(QStringLiteral("AutoWords_SortOrder"), 1);
}

void StartupWithTenMegabyteAutoWords(benchmark::State& state)
{
    int entries = 0;
    const QByteArray words = tenMegabyteAutoWords(entries);
    double untilListMillis = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        Program p({}, [&](Program& program) {
            prepareAutoWords(program, words, state);
            clock.restart();
        });
        // Program's constructor has shown the window and run the events waiting then.
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        // The list, once someone needs it.
        if (p.app->autoWordList().entries().size() != entries)
            state.SkipWithError("the auto-word list is not whole");
        untilListMillis += double(clock.nsecsElapsed()) / 1e6;
    }
    state.counters["until_list_ms"] = untilListMillis / double(state.iterations());
    state.counters["entries"] = entries;
}
BENCHMARK(StartupWithTenMegabyteAutoWords)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// The first opening of the list (Alt+\\) once it holds every entry.
void OpenTheListOfTenMegabyteAutoWords(benchmark::State& state)
{
    int entries = 0;
    const QByteArray words = tenMegabyteAutoWords(entries);
    for (auto _ : state) {
        Program p({}, [&](Program& program) {
            prepareAutoWords(program, words, state);
        });
        qp::AutoWordList& list = p.app->autoWordList();
        list.finishLoading();
        QElapsedTimer clock;
        clock.start();
        p.app->runCommand(qp::Command::Insert_AutoWords);
        QCoreApplication::processEvents();
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        if (!list.isVisible())
            state.SkipWithError("the list did not open");
        list.dismiss();
    }
}
BENCHMARK(OpenTheListOfTenMegabyteAutoWords)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
