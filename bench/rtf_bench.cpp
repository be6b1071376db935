// Reading and writing a 5 MB RTF document of mixed formatting, against
// loading the same text as plain text and against inserting the same
// formatted runs with no parsing.
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QHash>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <limits>

namespace {

// A document as word processors write them: a font and colour table, then
// paragraphs of words where one word in `wordsPerChange` changes font, size,
// style or colour, or brings an escaped or Unicode character.
QByteArray makeRtf(int wordsPerChange)
{
        QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}{\\f1\\fswiss Arial;}"
                         "{\\f2\\fmodern Courier New;}}\n{\\colortbl;\\red200\\green0\\blue0;\\red0\\green120\\blue0;}\n";
        static const char* const words[] = {"quill", "press", "writer", "chapter", "margin", "line", "story", "draft",
                                            "paper", "ink", "letter", "page", "novel", "verse", "word", "text"};
        static const char* const styles[] = {"\\b ", "\\b0 ", "\\i ", "\\i0 ", "\\ul ", "\\ulnone ", "\\cf1 ", "\\cf0 ",
                                             "\\f1 ", "\\f0 ", "\\fs28 ", "\\fs24 ", "{\\cf2\\b green} ", "caf\\'e9 ",
                                             "\\u1055\\'3f\\u1088\\'3f ", "\\{x\\} "};
        unsigned seed = 12345;
        auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return (seed >> 16) & 0x7fff;
        };
        while (out.size() < 5 * 1024 * 1024) {
            out += (next() % 5 == 0) ? "\\pard\\qc\\sa120 " : "\\pard\\fi360\\sl276\\slmult1 ";
            const int n = 40 + int(next() % 60);
            for (int i = 0; i < n; ++i) {
                if (next() % unsigned(wordsPerChange) == 0)
                    out += styles[next() % 16];
                out += words[next() % 16];
                out += ' ';
            }
            out += "\\par\n";
        }
        out += "}";
        return out;
}

// Dense: a change every 6 words on average (a heavily marked-up text);
// typical: every 30 words (a bold term or an italic title now and then).
const QByteArray& sampleRtf(int wordsPerChange)
{
    static QHash<int, QByteArray> samples;
    if (!samples.contains(wordsPerChange))
        samples.insert(wordsPerChange, makeRtf(wordsPerChange));
    return samples[wordsPerChange];
}

void readInto(QTextDocument& doc, int wordsPerChange)
{
    QByteArray bytes = sampleRtf(wordsPerChange);
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    qp::RtfReader reader;
    if (!reader.read(&buffer, &doc))
        std::abort();
}

// The fastest of a few plain-text loads of the sample's text, in nanoseconds.
double plainLoadNs(int wordsPerChange)
{
    QTextDocument source;
    readInto(source, wordsPerChange);
    const QString text = source.toPlainText();
    qint64 best = std::numeric_limits<qint64>::max();
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer timer;
        timer.start();
        {
            QTextDocument doc;
            doc.setPlainText(text);
        }
        best = std::min(best, timer.nsecsElapsed());
    }
    return double(best);
}

// The target is a read within three times the plain load of the same text;
// timesPlainLoad gives the ratio for this run.
void BM_RtfRead(benchmark::State& state)
{
    QElapsedTimer timer;
    timer.start();
    for (auto _ : state) {
        QTextDocument doc;
        readInto(doc, int(state.range(0)));
        benchmark::DoNotOptimize(doc.characterCount());
    }
    const double readNs = double(timer.nsecsElapsed()) / double(state.iterations());
    state.SetBytesProcessed(state.iterations() * sampleRtf(int(state.range(0))).size());
    state.counters["timesPlainLoad"] = readNs / plainLoadNs(int(state.range(0)));
}
BENCHMARK(BM_RtfRead)->ArgName("wordsPerChange")->Arg(6)->Arg(30)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_RtfWrite(benchmark::State& state)
{
    QTextDocument doc;
    readInto(doc, int(state.range(0)));
    qint64 written = 0;
    for (auto _ : state) {
        QByteArray out;
        QBuffer buffer(&out);
        buffer.open(QIODevice::WriteOnly);
        qp::RtfWriter writer;
        writer.write(&buffer, &doc);
        written = out.size();
    }
    state.SetBytesProcessed(state.iterations() * written);
}
BENCHMARK(BM_RtfWrite)->ArgName("wordsPerChange")->Arg(6)->Arg(30)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The same text without formatting, loaded the way plain-text files are.
void BM_PlainTextLoadOfTheSameText(benchmark::State& state)
{
    QTextDocument source;
    readInto(source, int(state.range(0)));
    const QString text = source.toPlainText();
    for (auto _ : state) {
        QTextDocument doc;
        doc.setPlainText(text);
        benchmark::DoNotOptimize(doc.characterCount());
    }
    state.SetBytesProcessed(state.iterations() * sampleRtf(int(state.range(0))).size());
}
BENCHMARK(BM_PlainTextLoadOfTheSameText)->ArgName("wordsPerChange")->Arg(6)->Arg(30)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The floor under any reader that builds the document through QTextCursor:
// the paragraphs and runs of the read document inserted again, one
// insertBlock per paragraph and one insertText per run of the same format,
// with no parsing at all. Most of the read's time over the plain load is here.
void BM_FormattedInsertOfTheSameRuns(benchmark::State& state)
{
    struct Paragraph {
        QTextBlockFormat format;
        QList<std::pair<QString, QTextCharFormat>> runs;
    };
    QList<Paragraph> paragraphs;
    {
        QTextDocument source;
        readInto(source, int(state.range(0)));
        for (QTextBlock block = source.begin(); block.isValid(); block = block.next()) {
            Paragraph paragraph{block.blockFormat(), {}};
            for (auto it = block.begin(); !it.atEnd(); ++it)
                paragraph.runs.append({it.fragment().text(), it.fragment().charFormat()});
            paragraphs.append(paragraph);
        }
    }
    QElapsedTimer timer;
    timer.start();
    for (auto _ : state) {
        QTextDocument doc;
        doc.setUndoRedoEnabled(false);
        QTextCursor cursor(&doc);
        cursor.beginEditBlock();
        for (qsizetype i = 0; i < paragraphs.size(); ++i) {
            if (i == 0)
                cursor.setBlockFormat(paragraphs[i].format);
            else
                cursor.insertBlock(paragraphs[i].format, QTextCharFormat());
            for (const auto& [text, format] : paragraphs[i].runs)
                cursor.insertText(text, format);
        }
        cursor.endEditBlock();
        benchmark::DoNotOptimize(doc.characterCount());
    }
    const double insertNs = double(timer.nsecsElapsed()) / double(state.iterations());
    state.SetBytesProcessed(state.iterations() * sampleRtf(int(state.range(0))).size());
    state.counters["timesPlainLoad"] = insertNs / plainLoadNs(int(state.range(0)));
}
BENCHMARK(BM_FormattedInsertOfTheSameRuns)->ArgName("wordsPerChange")->Arg(6)->Arg(30)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
