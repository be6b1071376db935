#include "rtf/RtfCodePage.h"

#include "rtf/RtfMacCodePages.h"

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <iconv.h>
#include <memory>
#include <unordered_map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qp {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

QByteArray iconvName(int number)
{
    switch (number) {
    case 10000: return "MACINTOSH";
    case 10017: return "MACUKRAINIAN";
    case 10029: return "MAC-CENTRALEUROPE";
    case 10079: return "MAC-IS";
    // Mac pages iconv lacks, read with the nearest complete page: the Mac
    // East Asian pages are the Windows ones plus a few bytes, and the Hebrew
    // and Thai letters sit where the Windows pages have them.
    case 10001: return "CP932";
    case 10002: return "CP950";
    case 10003: return "CP949";
    case 10005: return "CP1255";
    case 10008: return "CP936";
    case 10021: return "CP874";
    case 1361: return "JOHAB";
    case 65001: return "UTF-8";
    case 20127: return "ASCII";
    case 54936: return "GB18030";
    case 28591: return "ISO-8859-1";
    default: return "CP" + QByteArray::number(number);
    }
}

// Mac Japanese single bytes that Shift-JIS leaves undefined.
char16_t macJapaneseSingleByte(unsigned char b)
{
    switch (b) {
    case 0x80: return u'\\';
    case 0xA0: return 0x00A0;
    case 0xFD: return 0x00A9;
    case 0xFE: return 0x2122;
    case 0xFF: return 0x2026;
    default: return 0;
    }
}

// UTF-16 in the host's byte order, so the output can be taken as QChars.
iconv_t openToUtf16(int number)
{
    return iconv_open(Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? "UTF-16LE" : "UTF-16BE", iconvName(number).constData());
}

}  // namespace

RtfCodePage::RtfCodePage(int number) : m_number(number)
{
    for (int b = 0; b < 256; ++b)
        m_table[b] = static_cast<char16_t>(b);
    if (const char16_t* upper = macCodePageUpperHalf(number)) {
        std::copy(upper, upper + 128, m_table.begin() + 128);
        for (int b = 255; b >= 0x80; --b)
            m_reverse.insert(m_table[b], static_cast<unsigned char>(b));
        return;
    }
    iconv_t cd = openToUtf16(number);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return;

    for (int b = 0x80; b < 256; ++b) {
        char in = static_cast<char>(b);
        char outBuf[8];
        char* inPtr = &in;
        char* outPtr = outBuf;
        std::size_t inLeft = 1;
        std::size_t outLeft = sizeof outBuf;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        if (r == static_cast<std::size_t>(-1) && errno == EINVAL) {
            m_multiByte = true;  // a lead byte waiting for its trail byte
            break;
        }
        if (r == static_cast<std::size_t>(-1))
            continue;
        // Pages with combining marks (1255, 1258) hold a letter back until
        // they see what follows it.
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        if (outPtr - outBuf == 2)
            std::memcpy(&m_table[b], outBuf, 2);
    }
    if (m_multiByte) {
        m_iconv = cd;
        return;
    }
    iconv_close(cd);
    for (int b = 255; b >= 0x80; --b)
        m_reverse.insert(m_table[b], static_cast<unsigned char>(b));
}

RtfCodePage::~RtfCodePage()
{
    if (m_iconv)
        iconv_close(static_cast<iconv_t>(m_iconv));
}

const RtfCodePage& RtfCodePage::get(int number)
{
    // Only numbers that iconv knows get a page, so the cache stays small.
    static std::unordered_map<int, std::unique_ptr<RtfCodePage>> pages;
    const auto it = pages.find(number);
    if (it != pages.end())
        return *it->second;
    if (!macCodePageUpperHalf(number)) {
        iconv_t probe = openToUtf16(number);
        if (probe == reinterpret_cast<iconv_t>(-1) && number != 1252)
            return get(1252);
        if (probe != reinterpret_cast<iconv_t>(-1))
            iconv_close(probe);
    }
    auto& page = pages[number];
    page.reset(new RtfCodePage(number));
    return *page;
}

int RtfCodePage::forCharset(int charset)
{
    switch (charset) {
    // ANSI means Windows-1252 whatever the document's page; symbol fonts
    // are single bytes too, which a double-byte page would pair up.
    case 0: return 1252;
    case 2: return 1252;
    case 77: return 10000;
    case 78: return 10001;
    case 79: return 10003;
    case 80: return 10002;
    case 81: return 10004;
    case 82: return 10005;
    case 83: return 10006;
    case 84: return 10007;
    case 85: return 10008;
    case 86: return 10010;
    case 87: return 10017;
    case 88: return 10021;
    case 89: return 10029;
    case 128: return 932;
    case 129: return 949;
    case 130: return 1361;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return 0;
    }
}

void RtfCodePage::decode(const char* bytes, std::size_t length, QString& out) const
{
    if (!m_multiByte) {
        const qsizetype base = out.size();
        out.resize(base + static_cast<qsizetype>(length));
        auto* dst = reinterpret_cast<char16_t*>(out.data() + base);
        std::size_t i = 0;
#if defined(__SSE2__)
        // Every page keeps ASCII as it is, and most text is ASCII: widen it
        // sixteen bytes at a time.
        const __m128i zero = _mm_setzero_si128();
        for (; i + 16 <= length; i += 16) {
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
            if (_mm_movemask_epi8(chunk) != 0)
                break;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_unpacklo_epi8(chunk, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 8), _mm_unpackhi_epi8(chunk, zero));
        }
#endif
        for (; i < length; ++i)
            dst[i] = m_table[static_cast<unsigned char>(bytes[i])];
        return;
    }

    iconv_t cd = static_cast<iconv_t>(m_iconv);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(bytes);
    std::size_t inLeft = length;
    QByteArray buffer(static_cast<qsizetype>(length * 4 + 8), Qt::Uninitialized);
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = static_cast<std::size_t>(buffer.size());
        const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        const auto produced = static_cast<qsizetype>(outPtr - buffer.data()) / 2;
        out.append(reinterpret_cast<const QChar*>(buffer.constData()), produced);
        if (r != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // An invalid or cut-off sequence: mark it and go on after its first byte.
        const char16_t single = m_number == 10001 ? macJapaneseSingleByte(static_cast<unsigned char>(*inPtr)) : 0;
        out.append(QChar(single ? single : kReplacement));
        ++inPtr;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
}

int RtfCodePage::encode(char16_t c) const
{
    if (c < 0x80)
        return c;
    const auto it = m_reverse.constFind(c);
    return it == m_reverse.cend() ? -1 : int(it.value());
}

}  // namespace qp
