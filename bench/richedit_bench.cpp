// The editor control on big documents: loading 10 MB of plain text, and the
// position and line look-ups every status-bar refresh and search makes.
#include "editor/RichEdit.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kParagraphs = 200000;

// 200,000 paragraphs of 40 to 60 characters each: about 10 MB as UTF-8.
QString bigText()
{
    std::mt19937 random(7);
    QString text;
    text.reserve(kParagraphs * 52);
    const QString words = QStringLiteral("the quick brown fox jumps over a lazy dog while writers keep on writing ");
    for (int i = 0; i < kParagraphs; ++i) {
        const int length = 40 + int(random() % 21);
        text += words.mid(int(random() % 10), length);
        text += QLatin1Char('\n');
    }
    return text;
}

const QString& bigFile()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString p = dir.filePath(QStringLiteral("big.txt"));
        QFile file(p);
        if (file.open(QIODevice::WriteOnly))
            file.write(bigText().toUtf8());
        return p;
    }();
    return path;
}

std::unique_ptr<qp::RichEdit> shownEditor(bool wordWrap)
{
    auto edit = std::make_unique<qp::RichEdit>();
    edit->resize(800, 600);
    edit->setWordWrap(wordWrap);
    edit->show();
    QCoreApplication::processEvents();
    return edit;
}

// One shared 200,000-paragraph document with its line layout completed. It
// is left for the process exit to reclaim: widgets must not outlive the
// application object, which goes first.
qp::RichEdit& bigEditor()
{
    static qp::RichEdit* edit = [] {
        auto e = shownEditor(true);
        e->setText(bigText());
        e->completeLineLayout();
        return e.release();
    }();
    return *edit;
}

std::vector<int> randomPositions(int limit)
{
    std::mt19937 random(42);
    std::vector<int> positions(1000);
    for (int& p : positions)
        p = int(random() % (limit + 1));
    return positions;
}

enum class Settle { No, Yes };

// Times loading the file into a fresh shown editor, and with Settle::Yes its
// line layout and the events it leaves until the window is idle.
void timeLoads(benchmark::State& state, const QString& path, Settle settle)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = shownEditor(true);
        edit->setTextMode(qp::TextMode::Plain);
        state.ResumeTiming();
        edit->loadFile(path);
        if (settle == Settle::Yes) {
            edit->completeLineLayout();
            QCoreApplication::processEvents();
        }
        benchmark::DoNotOptimize(edit->lineCount());
        state.PauseTiming();
        edit.reset();
        state.ResumeTiming();
    }
}

void BM_LoadPlainText10MB(benchmark::State& state)
{
    const QString& path = bigFile();
    timeLoads(state, path, Settle::No);
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_LoadPlainText10MB)->Unit(benchmark::kMillisecond)->Iterations(3);

// Texts of odd shapes, opened and laid out until the window is idle: one
// paragraph of N characters, and N empty lines. Both must grow linearly.
void loadAndSettle(benchmark::State& state, const QByteArray& bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("odd.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            state.SkipWithError("the file could not be written");
    }
    timeLoads(state, path, Settle::Yes);
    state.SetComplexityN(state.range(0));
}

void BM_LoadOneLongLine(benchmark::State& state)
{
    QByteArray bytes;
    while (bytes.size() < state.range(0))
        bytes += "a writer's words in one line ";
    bytes.truncate(qsizetype(state.range(0)));
    loadAndSettle(state, bytes);
}
BENCHMARK(BM_LoadOneLongLine)->RangeMultiplier(4)->Range(1 << 18, 1 << 22)->Unit(benchmark::kMillisecond)->Iterations(1)->Complexity();

void BM_LoadEmptyLines(benchmark::State& state)
{
    loadAndSettle(state, QByteArray(qsizetype(state.range(0)), '\n'));
}
BENCHMARK(BM_LoadEmptyLines)->RangeMultiplier(4)->Range(1 << 16, 1 << 20)->Unit(benchmark::kMillisecond)->Iterations(1)->Complexity();

// The same into an empty paragraph that a stored default format has centred
// and given tab stops: plain text takes that paragraph format whole.
void BM_LoadPlainText10MBIntoFormattedParagraph(benchmark::State& state)
{
    const QString& path = bigFile();
    for (auto _ : state) {
        state.PauseTiming();
        auto edit = shownEditor(true);
        edit->setTextMode(qp::TextMode::Plain);
        qp::ParagraphFormat centred;
        centred.alignment = qp::ParagraphAlignment::Center;
        for (int k = 1; k <= 32; ++k)
            centred.tabStops << 30.0 * k;
        edit->setSelectionParagraphFormat(centred, qp::ParagraphAttribute::Alignment | qp::ParagraphAttribute::TabStops);
        state.ResumeTiming();
        edit->loadFile(path);
        benchmark::DoNotOptimize(edit->textLength());
        state.PauseTiming();
        edit.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_LoadPlainText10MBIntoFormattedParagraph)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ToDocumentPosition(benchmark::State& state)
{
    qp::RichEdit& edit = bigEditor();
    const std::vector<int> positions = randomPositions(edit.textLength());
    for (auto _ : state) {
        for (const int p : positions)
            benchmark::DoNotOptimize(edit.toDocumentPosition(p));
    }
    state.SetItemsProcessed(state.iterations() * qint64(positions.size()));
}
BENCHMARK(BM_ToDocumentPosition)->Unit(benchmark::kMicrosecond);

void BM_FromDocumentPosition(benchmark::State& state)
{
    qp::RichEdit& edit = bigEditor();
    const std::vector<int> positions = randomPositions(edit.document()->characterCount() - 1);
    for (auto _ : state) {
        for (const int p : positions)
            benchmark::DoNotOptimize(edit.fromDocumentPosition(p));
    }
    state.SetItemsProcessed(state.iterations() * qint64(positions.size()));
}
BENCHMARK(BM_FromDocumentPosition)->Unit(benchmark::kMicrosecond);

void BM_LineFromChar(benchmark::State& state)
{
    qp::RichEdit& edit = bigEditor();
    const std::vector<int> positions = randomPositions(edit.textLength());
    for (auto _ : state) {
        for (const int p : positions)
            benchmark::DoNotOptimize(edit.lineFromChar(p));
    }
    state.SetItemsProcessed(state.iterations() * qint64(positions.size()));
}
BENCHMARK(BM_LineFromChar)->Unit(benchmark::kMicrosecond);

void BM_LineIndex(benchmark::State& state)
{
    qp::RichEdit& edit = bigEditor();
    const std::vector<int> lines = randomPositions(edit.lineCount() - 1);
    for (auto _ : state) {
        for (const int line : lines)
            benchmark::DoNotOptimize(edit.lineIndex(line));
    }
    state.SetItemsProcessed(state.iterations() * qint64(lines.size()));
}
BENCHMARK(BM_LineIndex)->Unit(benchmark::kMicrosecond);

void BM_TypeIntoBigDocument(benchmark::State& state)
{
    // One keystroke's worth of work: an insert and the line count after it.
    qp::RichEdit& edit = bigEditor();
    edit.setSelStart(edit.textLength() / 2);
    for (auto _ : state) {
        edit.replaceSelection(QStringLiteral("x"));
        benchmark::DoNotOptimize(edit.lineCount());
    }
}
BENCHMARK(BM_TypeIntoBigDocument)->Unit(benchmark::kMicrosecond);

void BM_FindAbsentWord(benchmark::State& state)
{
    qp::RichEdit& edit = bigEditor();
    for (auto _ : state)
        benchmark::DoNotOptimize(edit.findText(QStringLiteral("zebra"), 0, edit.textLength(), qp::FindOption::None));
}
BENCHMARK(BM_FindAbsentWord)->Unit(benchmark::kMillisecond);

}  // namespace
