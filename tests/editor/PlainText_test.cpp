#include "editor/PlainText.h"

#include <QFile>

#include <gtest/gtest.h>

namespace qp {
namespace {

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(QP_TEST_DATA_DIR "/text/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

struct DecodeCase {
    const char* name;
    QByteArray bytes;
    QString text;
    TextEncoding encoding;
    LineEnding lineEnding;
    bool roundTrips = true;
};

class DecodeTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeTest, DetectsEncodingAndLineEndingAndRoundTrips)
{
    const DecodeCase& c = GetParam();
    const DecodedText decoded = decodePlainText(c.bytes);
    EXPECT_EQ(decoded.text, c.text);
    EXPECT_EQ(decoded.format.encoding, c.encoding);
    EXPECT_EQ(decoded.format.lineEnding, c.lineEnding);
    if (c.roundTrips) {
        EXPECT_EQ(encodePlainText(decoded.text, decoded.format), c.bytes);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, DecodeTest,
    ::testing::Values(
        DecodeCase{"empty", QByteArray(), QString(), TextEncoding::Utf8, LineEnding::LF},
        DecodeCase{"ascii_lf", "a\nb\n", "a\nb\n", TextEncoding::Utf8, LineEnding::LF},
        DecodeCase{"utf8_crlf", "gr\xc3\xbc\xc3\x9f\r\nx", QString::fromUtf8("grüß\nx"), TextEncoding::Utf8,
                   LineEnding::CRLF},
        DecodeCase{"cr_only", "a\rb\r", "a\nb\n", TextEncoding::Utf8, LineEnding::CR},
        DecodeCase{"utf8_bom", "\xef\xbb\xbfhi", "hi", TextEncoding::Utf8Bom, LineEnding::LF},
        DecodeCase{"bom_only", "\xef\xbb\xbf", QString(), TextEncoding::Utf8Bom, LineEnding::LF},
        DecodeCase{"second_bom_is_text", "\xef\xbb\xbf\xef\xbb\xbfx", QString(QChar(0xFEFF)) + QLatin1Char('x'),
                   TextEncoding::Utf8Bom, LineEnding::LF},
        DecodeCase{"invalid_utf8_is_1252", "caf\xe9\r\n", QString::fromUtf8("café\n"), TextEncoding::Windows1252,
                   LineEnding::CRLF},
        DecodeCase{"overlong_utf8_is_1252", "\xc0\xaf", QString::fromUtf8("À¯"), TextEncoding::Windows1252,
                   LineEnding::LF},
        DecodeCase{"1252_specials", "\x80\x85\x99\x9f", QString::fromUtf8("€…™Ÿ"), TextEncoding::Windows1252,
                   LineEnding::LF},
        DecodeCase{"1252_undefined_bytes", "\x81\x8d\x8f\x90\x9d\xff",
                   QString::fromUtf16(u"\u0081\u008d\u008f\u0090\u009d\u00ff"), TextEncoding::Windows1252,
                   LineEnding::LF},
        DecodeCase{"utf16le", QByteArray("\xff\xfe" "a\0\r\0\n\0", 8), "a\n", TextEncoding::Utf16LE,
                   LineEnding::CRLF},
        DecodeCase{"utf16be", QByteArray("\xfe\xff\0a\0\r", 6), "a\n", TextEncoding::Utf16BE, LineEnding::CR},
        DecodeCase{"utf16le_lone_surrogate", QByteArray("\xff\xfe\x00\xd8x\0", 6),
                   QString::fromUtf16(u"\xd800x"), TextEncoding::Utf16LE, LineEnding::LF},
        // An odd byte count cannot be UTF-16; the bytes are kept as 1252 characters.
        DecodeCase{"odd_utf16_is_1252", "\xff\xfe" "a", QString::fromUtf8("ÿþa"), TextEncoding::Windows1252,
                   LineEnding::LF},
        // Mixed endings: every break is read, the first kind is written back.
        DecodeCase{"first_ending_wins", "a\nb\r\nc\rd", "a\nb\nc\nd", TextEncoding::Utf8, LineEnding::LF, false}),
    [](const ::testing::TestParamInfo<DecodeCase>& info) { return std::string(info.param.name); });

class FixtureTest : public ::testing::TestWithParam<const char*> {};

TEST_P(FixtureTest, FileDecodesAndEncodesToTheSameBytes)
{
    const QByteArray bytes = fixture(GetParam());
    ASSERT_FALSE(bytes.isEmpty());
    const DecodedText decoded = decodePlainText(bytes);
    EXPECT_FALSE(decoded.text.contains(QLatin1Char('\r')));
    EXPECT_EQ(encodePlainText(decoded.text, decoded.format), bytes);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureTest,
                         ::testing::Values("utf8_lf.txt", "utf8_bom_crlf.txt", "cp1252_crlf.txt",
                                           "utf16le_bom_crlf.txt", "utf16be_bom_lf.txt", "cr_no_final.txt",
                                           "lf_no_final.txt"));

TEST(PlainText, FixtureFormatsAreDetected)
{
    const struct {
        const char* file;
        TextEncoding encoding;
        LineEnding ending;
    } cases[] = {
        {"utf8_lf.txt", TextEncoding::Utf8, LineEnding::LF},
        {"utf8_bom_crlf.txt", TextEncoding::Utf8Bom, LineEnding::CRLF},
        {"cp1252_crlf.txt", TextEncoding::Windows1252, LineEnding::CRLF},
        {"utf16le_bom_crlf.txt", TextEncoding::Utf16LE, LineEnding::CRLF},
        {"utf16be_bom_lf.txt", TextEncoding::Utf16BE, LineEnding::LF},
        {"cr_no_final.txt", TextEncoding::Utf8, LineEnding::CR},
    };
    for (const auto& c : cases) {
        const TextFileFormat format = decodePlainText(fixture(c.file)).format;
        EXPECT_EQ(format.encoding, c.encoding) << c.file;
        EXPECT_EQ(format.lineEnding, c.ending) << c.file;
    }
}

TEST(PlainText, CanEncodeKnowsWhatEachEncodingHolds)
{
    const QString latin = QString::fromUtf8("café €‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
    const QString greek = QString::fromUtf8("Ω");
    const QString lone = QString::fromUtf16(u"a\xdc00");
    EXPECT_TRUE(canEncode(latin, TextEncoding::Windows1252));
    EXPECT_FALSE(canEncode(greek, TextEncoding::Windows1252));
    EXPECT_FALSE(canEncode(QString(QChar(0x80)), TextEncoding::Windows1252));  // 0x80 is the euro sign there
    EXPECT_TRUE(canEncode(greek, TextEncoding::Utf8));
    EXPECT_FALSE(canEncode(lone, TextEncoding::Utf8));
    EXPECT_FALSE(canEncode(lone, TextEncoding::Utf8Bom));
    EXPECT_TRUE(canEncode(lone, TextEncoding::Utf16LE));
}

TEST(PlainText, EncodesLineEndingsAndBoms)
{
    const QString text = QStringLiteral("a\nb");
    EXPECT_EQ(encodePlainText(text, {TextEncoding::Utf8, LineEnding::CRLF}), QByteArray("a\r\nb"));
    EXPECT_EQ(encodePlainText(text, {TextEncoding::Utf8, LineEnding::CR}), QByteArray("a\rb"));
    EXPECT_EQ(encodePlainText(text, {TextEncoding::Utf8Bom, LineEnding::LF}), QByteArray("\xef\xbb\xbf" "a\nb"));
    EXPECT_EQ(encodePlainText(text, {TextEncoding::Utf16BE, LineEnding::LF}),
              QByteArray("\xfe\xff\0a\0\n\0b", 8));
    EXPECT_EQ(encodePlainText(QString::fromUtf8("€"), {TextEncoding::Windows1252, LineEnding::LF}),
              QByteArray("\x80"));
}

TEST(PlainText, Windows1252CodeFollowsTheEightBitRule)
{
    EXPECT_EQ(windows1252Code(QLatin1Char('A')), 65);
    EXPECT_EQ(windows1252Code(QChar(0x2022)), 149);  // bullet
    EXPECT_EQ(windows1252Code(QChar(0x20AC)), 128);
    EXPECT_EQ(windows1252Code(QChar(0xE9)), 233);
    EXPECT_EQ(windows1252Code(QChar(0x81)), 0x81);
    EXPECT_EQ(windows1252Code(QChar(0x3A9)), 0x3A9);  // Omega has no 8-bit code
}

TEST(PlainText, TenMegabytesOf1252RoundTrip)
{
    QByteArray bytes;
    bytes.reserve(10 << 20);
    while (bytes.size() < (10 << 20))
        bytes += "Stra\xdf" "e, caf\xe9 \x93zitiert\x94 \x80 100\r\n";
    const DecodedText decoded = decodePlainText(bytes);
    EXPECT_EQ(decoded.format.encoding, TextEncoding::Windows1252);
    EXPECT_EQ(encodePlainText(decoded.text, decoded.format), bytes);
}

}  // namespace
}  // namespace qp
