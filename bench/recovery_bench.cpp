// The recovery copy of a 10 MB document: the part the window waits for (the
// snapshot taken on the GUI thread at a pause in typing), against the clone
// it used to take, and the part the writer's thread does (building the copy
// and encoding it).
#include "editor/DocumentSnapshot.h"
#include "editor/RichEdit.h"

#include "BenchText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

QString tenMegabytes()
{
    return repeatedLines(QStringLiteral("Chapter and verse: the words a writer keeps, line after line.\n"), 10'000'000);
}

// 10 MB of rich text: a bold word in every paragraph, and a list of five
// items every hundred paragraphs, so that the copy has runs, lists and
// formats to carry.
std::unique_ptr<qp::RichEdit> richTenMegabytes()
{
    auto edit = std::make_unique<qp::RichEdit>();
    edit->setTextMode(qp::TextMode::Rich);
    edit->setText(tenMegabytes());
    QTextDocument* doc = edit->document();
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    QTextList* list = nullptr;
    int number = 0;
    for (QTextBlock block = doc->begin(); block.isValid() && block.length() > 14; block = block.next(), ++number) {
        cursor.setPosition(block.position() + 8);
        cursor.setPosition(block.position() + 13, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(bold);
        if (number % 100 == 0)
            list = cursor.createList(QTextListFormat::ListDecimal);
        else if (number % 100 < 5)
            list->add(block);
    }
    cursor.endEditBlock();
    return edit;
}

// What the window waits for now.
void BM_RecoverySnapshotRich10MB(benchmark::State& state)
{
    auto edit = richTenMegabytes();
    for (auto _ : state)
        benchmark::DoNotOptimize(qp::DocumentSnapshot::of(*edit));
    edit.reset();
}
BENCHMARK(BM_RecoverySnapshotRich10MB)->Unit(benchmark::kMillisecond)->Iterations(5);

// What it waited for before: a clone of the document.
void BM_RecoveryCloneRich10MB(benchmark::State& state)
{
    auto edit = richTenMegabytes();
    for (auto _ : state)
        std::unique_ptr<QTextDocument>(edit->document()->clone());
    edit.reset();
}
BENCHMARK(BM_RecoveryCloneRich10MB)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RecoverySnapshotPlain10MB(benchmark::State& state)
{
    auto edit = std::make_unique<qp::RichEdit>();
    edit->setTextMode(qp::TextMode::Plain);
    edit->setText(tenMegabytes());
    for (auto _ : state)
        benchmark::DoNotOptimize(qp::DocumentSnapshot::of(*edit));
    edit.reset();
}
BENCHMARK(BM_RecoverySnapshotPlain10MB)->Unit(benchmark::kMillisecond)->Iterations(5);

// The writer's thread: the copy built from the snapshot and encoded as RTF.
void BM_RecoveryEncodeRich10MB(benchmark::State& state)
{
    auto edit = richTenMegabytes();
    const qp::DocumentSnapshot snapshot = qp::DocumentSnapshot::of(*edit);
    qsizetype bytes = 0;
    for (auto _ : state)
        bytes = snapshot.encode().size();
    if (bytes == 0)
        state.SkipWithError("nothing encoded");
    state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
    edit.reset();
}
BENCHMARK(BM_RecoveryEncodeRich10MB)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
