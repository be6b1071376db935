#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

namespace qp {

enum class TextEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Windows1252 };
enum class LineEnding { LF, CRLF, CR };

// How a plain-text file was written, so that saving it again gives the same bytes.
struct TextFileFormat {
    TextEncoding encoding = TextEncoding::Utf8;
    LineEnding lineEnding = LineEnding::LF;

    friend bool operator==(const TextFileFormat&, const TextFileFormat&) = default;
};

struct DecodedText {
    QString text;  // paragraphs separated by '\n'
    TextFileFormat format;
};

// Detects the encoding (UTF-8 with BOM, UTF-16 LE/BE with BOM, valid UTF-8,
// else Windows-1252) and the line ending (the first one met; LF when none).
// Every line break, whatever its kind, becomes one '\n'.
DecodedText decodePlainText(const QByteArray& bytes);

// True when every character of the text has a code in the encoding.
bool canEncode(const QString& text, TextEncoding encoding);

// Writes the text with '\n' between paragraphs in the given format. Characters
// the encoding lacks are not checked here; ask canEncode() first.
QByteArray encodePlainText(const QString& text, const TextFileFormat& format);

// The character's Windows-1252 code when it has one, else its Unicode value.
int windows1252Code(QChar c);
// The character of a Windows-1252 code from 0 to 255.
QChar windows1252Char(int code);

// A short human name of the encoding ("UTF-8", "Windows-1252", ...).
QString encodingName(TextEncoding encoding);

}  // namespace qp
