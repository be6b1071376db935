#include "editor/PlainText.h"

#include <QStringDecoder>
#include <QtEndian>

#include <array>

namespace qp {

namespace {

// Windows-1252 codes 0x80..0x9F. The five codes the code page leaves
// undefined map to the C1 control of the same value, as Windows does, so
// every byte decodes and encodes back to itself.
constexpr std::array<char16_t, 32> kHighCodes = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The Windows-1252 byte of a character, or -1 when the code page lacks it.
int windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < int(kHighCodes.size()); ++i) {
        if (kHighCodes[i] == c)
            return 0x80 + i;
    }
    return -1;
}

QString decodeWindows1252(const char* data, qsizetype size)
{
    QString text(size, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(data[i]);
        out[i] = QChar(b >= 0x80 && b < 0xA0 ? kHighCodes[b - 0x80] : char16_t(b));
    }
    return text;
}

QString decodeUtf16(const char* data, qsizetype size, bool littleEndian)
{
    const qsizetype count = size / 2;
    QString text(count, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = 0; i < count; ++i) {
        const char* p = data + 2 * i;
        out[i] = QChar(littleEndian ? qFromLittleEndian<quint16>(p) : qFromBigEndian<quint16>(p));
    }
    return text;
}

// Only bytes that decode and encode back to themselves count as UTF-8, so a
// file read this way is written back byte for byte.
bool decodeExactUtf8(const QByteArray& bytes, qsizetype offset, QString* text)
{
    const QByteArrayView body(bytes.constData() + offset, bytes.size() - offset);
    // A BOM inside the text is a character like any other.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    *text = decoder.decode(body);
    return !decoder.hasError() && text->toUtf8() == body;
}

LineEnding firstLineEnding(const QString& text)
{
    const qsizetype cr = text.indexOf(QLatin1Char('\r'));
    const qsizetype lf = text.indexOf(QLatin1Char('\n'));
    if (cr < 0)
        return LineEnding::LF;
    if (lf >= 0 && lf < cr)
        return LineEnding::LF;
    return lf == cr + 1 ? LineEnding::CRLF : LineEnding::CR;
}

// Every CR LF, CR and LF becomes one '\n'.
QString normalizeLineBreaks(QString text)
{
    if (!text.contains(QLatin1Char('\r')))
        return text;
    QChar* data = text.data();
    const qsizetype size = text.size();
    qsizetype out = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = data[i];
        if (c == QLatin1Char('\r')) {
            data[out++] = QLatin1Char('\n');
            if (i + 1 < size && data[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            data[out++] = c;
        }
    }
    text.truncate(out);
    return text;
}

QString withLineEnding(const QString& text, LineEnding ending)
{
    switch (ending) {
    case LineEnding::LF:
        return text;
    case LineEnding::CRLF: {
        QString result = text;
        return result.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    }
    case LineEnding::CR: {
        QString result = text;
        return result.replace(QLatin1Char('\n'), QLatin1Char('\r'));
    }
    }
    return text;
}

QByteArray encodeUtf16(const QString& text, bool littleEndian)
{
    QByteArray bytes(2 * (text.size() + 1), Qt::Uninitialized);
    char* out = bytes.data();
    auto put = [&](char16_t unit) {
        if (littleEndian)
            qToLittleEndian<quint16>(unit, out);
        else
            qToBigEndian<quint16>(unit, out);
        out += 2;
    };
    put(0xFEFF);
    for (const QChar c : text)
        put(c.unicode());
    return bytes;
}

QByteArray encodeWindows1252(const QString& text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar c : text) {
        const int b = windows1252Byte(c.unicode());
        *out++ = static_cast<char>(b < 0 ? '?' : b);
    }
    return bytes;
}

bool hasLoneSurrogate(const QString& text)
{
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 >= size || !text.at(i + 1).isLowSurrogate())
                return true;
            ++i;
        } else if (c.isLowSurrogate()) {
            return true;
        }
    }
    return false;
}

}  // namespace

DecodedText decodePlainText(const QByteArray& bytes)
{
    DecodedText result;
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    auto startsWith = [&](std::initializer_list<unsigned char> bom) {
        if (size < qsizetype(bom.size()))
            return false;
        qsizetype i = 0;
        for (const unsigned char b : bom) {
            if (static_cast<unsigned char>(data[i++]) != b)
                return false;
        }
        return true;
    };

    QString text;
    if (startsWith({0xEF, 0xBB, 0xBF}) && decodeExactUtf8(bytes, 3, &text)) {
        result.format.encoding = TextEncoding::Utf8Bom;
    } else if (size % 2 == 0 && startsWith({0xFF, 0xFE})) {
        text = decodeUtf16(data + 2, size - 2, true);
        result.format.encoding = TextEncoding::Utf16LE;
    } else if (size % 2 == 0 && startsWith({0xFE, 0xFF})) {
        text = decodeUtf16(data + 2, size - 2, false);
        result.format.encoding = TextEncoding::Utf16BE;
    } else if (decodeExactUtf8(bytes, 0, &text)) {
        result.format.encoding = TextEncoding::Utf8;
    } else {
        text = decodeWindows1252(data, size);
        result.format.encoding = TextEncoding::Windows1252;
    }
    result.format.lineEnding = firstLineEnding(text);
    result.text = normalizeLineBreaks(std::move(text));
    return result;
}

bool canEncode(const QString& text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8Bom:
        return !hasLoneSurrogate(text);
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return true;
    case TextEncoding::Windows1252:
        for (const QChar c : text) {
            if (windows1252Byte(c.unicode()) < 0)
                return false;
        }
        return true;
    }
    return false;
}

QByteArray encodePlainText(const QString& text, const TextFileFormat& format)
{
    const QString lines = withLineEnding(text, format.lineEnding);
    switch (format.encoding) {
    case TextEncoding::Utf8:
        return lines.toUtf8();
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + lines.toUtf8();
    case TextEncoding::Utf16LE:
        return encodeUtf16(lines, true);
    case TextEncoding::Utf16BE:
        return encodeUtf16(lines, false);
    case TextEncoding::Windows1252:
        return encodeWindows1252(lines);
    }
    return {};
}

int windows1252Code(QChar c)
{
    const int b = windows1252Byte(c.unicode());
    return b < 0 ? c.unicode() : b;
}

QChar windows1252Char(int code)
{
    if (code >= 0x80 && code < 0xA0)
        return QChar(kHighCodes[code - 0x80]);
    return QChar(char16_t(code & 0xFF));
}

QString encodingName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return QStringLiteral("UTF-8");
    case TextEncoding::Utf8Bom:
        return QStringLiteral("UTF-8 with BOM");
    case TextEncoding::Utf16LE:
        return QStringLiteral("UTF-16 LE");
    case TextEncoding::Utf16BE:
        return QStringLiteral("UTF-16 BE");
    case TextEncoding::Windows1252:
        return QStringLiteral("Windows-1252");
    }
    return {};
}

}  // namespace qp
