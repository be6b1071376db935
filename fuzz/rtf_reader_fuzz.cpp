// Feeds arbitrary bytes to the RTF reader, and what it read to the writer:
// neither may crash, hang, leak or touch memory it does not own.
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Fonts and images need a GUI application; it lives for the whole run.
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer input(&bytes);
    input.open(QIODevice::ReadOnly);
    QTextDocument doc;
    qp::RtfReader reader;
    if (!reader.read(&input, &doc))
        return 0;

    QByteArray out;
    QBuffer output(&out);
    output.open(QIODevice::WriteOnly);
    qp::RtfWriter writer;
    writer.write(&output, &doc);
    return 0;
}
