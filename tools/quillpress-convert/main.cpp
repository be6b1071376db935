// quillpress-convert IN OUT: converts between .rtf and .txt (chosen by OUT's
// extension) with the codecs the editor uses, so a batch of files can be
// moved between the formats exactly as the program would load and save them.
#include "editor/DocumentText.h"
#include "editor/PlainText.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QSaveFile>
#include <QStringList>
#include <QTextDocument>

#include <cstdio>
#include <optional>

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

const char kUsageText[] =
    "usage: quillpress-convert [--encoding utf-8|utf-8-bom|utf-16le|windows-1252] [--eol lf|crlf|cr] IN OUT\n"
    "Converts IN to OUT; OUT's extension (.rtf or .txt) chooses the format.\n";

int fail(const QString& message)
{
    std::fprintf(stderr, "quillpress-convert: %s\n", qUtf8Printable(message));
    return kFailed;
}

std::optional<qp::TextEncoding> encodingNamed(const QString& name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("utf-8"))
        return qp::TextEncoding::Utf8;
    if (n == QLatin1String("utf-8-bom"))
        return qp::TextEncoding::Utf8Bom;
    if (n == QLatin1String("utf-16le"))
        return qp::TextEncoding::Utf16LE;
    if (n == QLatin1String("windows-1252"))
        return qp::TextEncoding::Windows1252;
    return std::nullopt;
}

std::optional<qp::LineEnding> lineEndingNamed(const QString& name)
{
    const QString n = name.toLower();
    if (n == QLatin1String("lf"))
        return qp::LineEnding::LF;
    if (n == QLatin1String("crlf"))
        return qp::LineEnding::CRLF;
    if (n == QLatin1String("cr"))
        return qp::LineEnding::CR;
    return std::nullopt;
}

struct Options {
    QString in;
    QString out;
    std::optional<qp::TextEncoding> encoding;
    std::optional<qp::LineEnding> lineEnding;
};

std::optional<Options> parseArguments(const QStringList& args)
{
    Options options;
    QStringList files;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if (a == QLatin1String("--encoding") && i + 1 < args.size()) {
            options.encoding = encodingNamed(args.at(++i));
            if (!options.encoding)
                return std::nullopt;
        } else if (a == QLatin1String("--eol") && i + 1 < args.size()) {
            options.lineEnding = lineEndingNamed(args.at(++i));
            if (!options.lineEnding)
                return std::nullopt;
        } else if (a.startsWith(QLatin1String("--"))) {
            return std::nullopt;
        } else {
            files << a;
        }
    }
    if (files.size() != 2)
        return std::nullopt;
    options.in = files.at(0);
    options.out = files.at(1);
    return options;
}

bool hasExtension(const QString& path, const char* extension)
{
    return QFileInfo(path).suffix().compare(QLatin1String(extension), Qt::CaseInsensitive) == 0;
}

bool looksLikeRtf(const QByteArray& bytes)
{
    return bytes.trimmed().startsWith("{\\rtf");
}

int convert(const Options& options)
{
    QFile input(options.in);
    if (!input.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read %1: %2").arg(options.in, input.errorString()));
    const QByteArray bytes = input.readAll();
    if (input.error() != QFileDevice::NoError)
        return fail(QStringLiteral("cannot read %1: %2").arg(options.in, input.errorString()));
    input.close();

    const bool toRtf = hasExtension(options.out, "rtf");
    if (!toRtf && !hasExtension(options.out, "txt"))
        return fail(QStringLiteral("%1: the output must end in .rtf or .txt").arg(options.out));

    QTextDocument doc;
    qp::TextFileFormat format;
    bool readAsRtf = false;
    if (hasExtension(options.in, "rtf") || looksLikeRtf(bytes)) {
        // A file named .rtf that is not RTF is read as text, as the editor reads it.
        QByteArray data = bytes;
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        qp::RtfReader reader;
        readAsRtf = reader.read(&buffer, &doc);
    }
    if (!readAsRtf) {
        const qp::DecodedText decoded = qp::decodePlainText(bytes);
        format = decoded.format;
        QFont font(QStringLiteral("Courier New"));
        font.setPixelSize(13);
        doc.setDefaultFont(font);
        doc.setPlainText(decoded.text);
    }

    QByteArray output;
    if (toRtf) {
        QBuffer buffer(&output);
        buffer.open(QIODevice::WriteOnly);
        qp::RtfWriter writer;
        if (!writer.write(&buffer, &doc))
            return fail(QStringLiteral("cannot convert %1: %2").arg(options.in, writer.errorString()));
    } else {
        if (options.encoding)
            format.encoding = *options.encoding;
        if (options.lineEnding)
            format.lineEnding = *options.lineEnding;
        const QString text = qp::plainTextOf(doc);
        if (!qp::canEncode(text, format.encoding))
            return fail(QStringLiteral("%1 holds characters that %2 cannot represent")
                            .arg(options.in, qp::encodingName(format.encoding)));
        output = qp::encodePlainText(text, format);
    }

    QSaveFile file(options.out);
    if (!file.open(QIODevice::WriteOnly) || file.write(output) != output.size() || !file.commit())
        return fail(QStringLiteral("cannot write %1: %2").arg(options.out, file.errorString()));
    return 0;
}

}  // namespace

// Qt's own notes (about the session, fonts and such) would break the promise
// of one line on stderr per failure; only fatal messages get through.
void quietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg)
        std::fprintf(stderr, "quillpress-convert: %s\n", qUtf8Printable(message));
}

int main(int argc, char** argv)
{
    qInstallMessageHandler(quietMessages);
    // A converter needs fonts for the document model, never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const std::optional<Options> options = parseArguments(QCoreApplication::arguments());
    if (!options) {
        std::fputs(kUsageText, stderr);
        return kUsage;
    }
    return convert(*options);
}
