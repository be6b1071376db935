// A Word file through the LibreOffice converter module, called as the
// program calls it: the first conversion after the module is loaded (which
// starts LibreOffice) and the later ones (which the running LibreOffice
// takes). The document is a ~100 KB .doc that LibreOffice itself writes from
// generated RTF. Skipped when LibreOffice is not installed.
#include "ConverterAbi.h"

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLibrary>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

const QString ModulePath = QStringLiteral(QP_CONVERTER_DIR "/MSWRD832.CNV");

// About 45 KB of text in headed paragraphs, with some bold and italic: a .doc of about 100 KB.
QByteArray generatedRtf()
{
    static const char* const words[] = {"quiet", "harbour", "letter", "morning", "window", "across", "the", "river",
                                        "she", "wrote", "again", "slowly", "lantern", "garden", "of", "and"};
    QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Liberation Serif;}}\\f0\\fs24\n";
    unsigned seed = 7;
    for (int paragraph = 0; rtf.size() < 48'000; ++paragraph) {
        if (paragraph % 10 == 0)
            rtf += "{\\pard\\b\\fs32 Chapter " + QByteArray::number(paragraph / 10 + 1) + "\\par}\n";
        rtf += "\\pard ";
        for (int word = 0; word < 80; ++word) {
            seed = seed * 1103515245 + 12345;
            const QByteArray text = words[(seed >> 16) % (sizeof words / sizeof *words)];
            rtf += word % 17 == 3 ? "{\\i " + text + "} " : word % 23 == 5 ? "{\\b " + text + "} " : text + " ";
        }
        rtf += "\\par\n";
    }
    return rtf + "}";
}

// The .doc, made once: LibreOffice writes the generated RTF as Word 97.
struct Fixture {
    QTemporaryDir dir;
    QString doc;
    QString error;

    Fixture()
    {
        const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (soffice.isEmpty()) {
            error = QStringLiteral("LibreOffice (soffice) is not installed");
            return;
        }
        QFile rtf(dir.filePath(QStringLiteral("novel.rtf")));
        if (!rtf.open(QIODevice::WriteOnly) || rtf.write(generatedRtf()) < 0) {
            error = QStringLiteral("cannot write the RTF");
            return;
        }
        rtf.close();
        QProcess process;
        process.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("profile")),
                                QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                                QStringLiteral("doc:MS Word 97"), QStringLiteral("--outdir"), dir.path(), rtf.fileName()});
        process.waitForFinished(180'000);
        doc = dir.filePath(QStringLiteral("novel.doc"));
        if (!QFile::exists(doc))
            error = QStringLiteral("LibreOffice did not write the .doc");
    }
};

Fixture& fixture()
{
    static Fixture made;
    return made;
}

// The RTF as the program collects it.
QpBlock* s_transfer = nullptr;
QByteArray s_received;

int32_t receive(int32_t count, int32_t)
{
    s_received.append(reinterpret_cast<const char*>(s_transfer->bytes), count);
    return 0;
}

class Module {
public:
    Module() : m_library(ModulePath)
    {
        if (m_library.load())
            m_convert = reinterpret_cast<QpForeignToRtf32>(m_library.resolve(QP_FOREIGN_TO_RTF));
    }
    ~Module() { m_library.unload(); }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    bool convert(const QString& fileName)
    {
        if (!m_convert)
            return false;
        const QByteArray name = QFile::encodeName(fileName);
        std::vector<unsigned char> nameBytes(size_t(name.size()) * 2 + 1, 0);
        std::memcpy(nameBytes.data(), name.constData(), size_t(name.size()));
        std::vector<unsigned char> transferBytes(QP_TRANSFER_SIZE + 1, 0);
        unsigned char empty[2] = {0, 0};
        QpBlock nameBlock{nameBytes.data(), nameBytes.size()};
        QpBlock transfer{transferBytes.data(), transferBytes.size()};
        QpBlock className{&empty[0], 1};
        QpBlock subset{&empty[1], 1};
        s_transfer = &transfer;
        s_received.clear();
        const int32_t result = m_convert(&nameBlock, nullptr, &transfer, &className, &subset, &receive);
        s_transfer = nullptr;
        return result == 0 && s_received.startsWith("{\\rtf");
    }

private:
    QLibrary m_library;
    QpForeignToRtf32 m_convert = nullptr;
};

// Loading the module and converting: LibreOffice starts with a new profile.
void BM_FirstConversion(benchmark::State& state)
{
    if (!fixture().error.isEmpty()) {
        state.SkipWithError(qPrintable(fixture().error));
        return;
    }
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto module = std::make_unique<Module>();
        if (!module->convert(fixture().doc)) {
            state.SkipWithError("the conversion failed");
            break;
        }
        state.SetIterationTime(double(timer.nsecsElapsed()) / 1e9);
        module.reset();  // ends LibreOffice, outside the time
    }
    state.SetBytesProcessed(state.iterations() * QFile(fixture().doc).size());
}
BENCHMARK(BM_FirstConversion)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// Every conversion after the first, taken by the LibreOffice the first started.
void BM_LaterConversion(benchmark::State& state)
{
    if (!fixture().error.isEmpty()) {
        state.SkipWithError(qPrintable(fixture().error));
        return;
    }
    Module module;
    if (!module.convert(fixture().doc)) {
        state.SkipWithError("the first conversion failed");
        return;
    }
    for (auto _ : state) {
        if (!module.convert(fixture().doc)) {
            state.SkipWithError("the conversion failed");
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * QFile(fixture().doc).size());
}
BENCHMARK(BM_LaterConversion)->Iterations(10)->Unit(benchmark::kMillisecond);

}  // namespace
