#include "rtf/RtfTokenizer.h"

#include <algorithm>
#include <array>
#include <climits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qp {

namespace {

constexpr auto kLetters = [] {
    std::array<bool, 256> t{};
    for (int c = 'a'; c <= 'z'; ++c)
        t[static_cast<unsigned char>(c)] = t[static_cast<unsigned char>(c - 'a' + 'A')] = true;
    return t;
}();

bool isLetter(unsigned char c) { return kLetters[c]; }
bool isDigit(unsigned char c) { return static_cast<unsigned char>(c - '0') < 10; }


// Bytes that end a text run: the three specials, and the line breaks and NULs
// that RTF ignores in text.
constexpr auto kEndsText = [] {
    std::array<bool, 256> t{};
    for (unsigned char c : {'\\', '{', '}', '\r', '\n', '\0'})
        t[c] = true;
    return t;
}();

bool endsText(unsigned char c) { return kEndsText[c]; }

// The end of the text run that starts at `pos`.
std::size_t textEnd(std::string_view data, std::size_t pos)
{
    const std::size_t size = data.size();
#if defined(__SSE2__)
    // Text is most of a document; look at sixteen bytes at a time.
    const __m128i backslash = _mm_set1_epi8('\\');
    const __m128i open = _mm_set1_epi8('{');
    const __m128i close = _mm_set1_epi8('}');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i nul = _mm_setzero_si128();
    for (; pos + 16 <= size; pos += 16) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data.data() + pos));
        const __m128i special =
            _mm_or_si128(_mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, backslash), _mm_cmpeq_epi8(chunk, open)),
                                      _mm_or_si128(_mm_cmpeq_epi8(chunk, close), _mm_cmpeq_epi8(chunk, cr))),
                         _mm_or_si128(_mm_cmpeq_epi8(chunk, lf), _mm_cmpeq_epi8(chunk, nul)));
        const int mask = _mm_movemask_epi8(special);
        if (mask != 0)
            return pos + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    while (pos < size && !endsText(static_cast<unsigned char>(data[pos])))
        ++pos;
    return pos;
}

RtfToken makeToken(RtfToken::Type type)
{
    RtfToken token;
    token.type = type;
    return token;
}

}  // namespace

RtfToken RtfTokenizer::next()
{
    const std::size_t size = m_data.size();
    while (m_pos < size) {
        const unsigned char c = static_cast<unsigned char>(m_data[m_pos]);
        switch (c) {
        case '{':
            ++m_pos;
            return makeToken(RtfToken::Type::GroupStart);
        case '}':
            ++m_pos;
            return makeToken(RtfToken::Type::GroupEnd);
        case '\\':
            return readControl();
        case '\r':
        case '\n':
        case 0:
            ++m_pos;
            continue;
        default: {
            const std::size_t start = m_pos;
            m_pos = textEnd(m_data, m_pos);
            RtfToken token = makeToken(RtfToken::Type::Text);
            token.text = std::string_view(m_data.data() + start, m_pos - start);
            return token;
        }
        }
    }
    return {};
}

RtfToken RtfTokenizer::readControl()
{
    const std::size_t size = m_data.size();
    ++m_pos;  // the backslash
    if (m_pos >= size)
        return {};

    const unsigned char first = static_cast<unsigned char>(m_data[m_pos]);
    if (!isLetter(first)) {
        ++m_pos;
        if (first == '\'') {
            int value = 0;
            int digits = 0;
            while (digits < 2 && m_pos < size) {
                const int h = rtfHexDigit(m_data[m_pos]);
                if (h < 0)
                    break;
                value = value * 16 + h;
                ++digits;
                ++m_pos;
            }
            if (digits == 0)
                return next();  // "\'" without hex digits carries nothing
            RtfToken token = makeToken(RtfToken::Type::HexByte);
            token.symbol = static_cast<unsigned char>(value);
            return token;
        }
        RtfToken token = makeToken(RtfToken::Type::ControlSymbol);
        token.symbol = (first == '\r') ? '\n' : first;
        return token;
    }

    const std::size_t start = m_pos;
    while (m_pos < size && isLetter(static_cast<unsigned char>(m_data[m_pos])))
        ++m_pos;
    RtfToken token = makeToken(RtfToken::Type::ControlWord);
    token.text = std::string_view(m_data.data() + start, m_pos - start);

    bool negative = false;
    if (m_pos + 1 < size && m_data[m_pos] == '-' && isDigit(static_cast<unsigned char>(m_data[m_pos + 1]))) {
        negative = true;
        ++m_pos;
    }
    if (m_pos < size && isDigit(static_cast<unsigned char>(m_data[m_pos]))) {
        long long value = 0;
        while (m_pos < size && isDigit(static_cast<unsigned char>(m_data[m_pos]))) {
            if (value <= INT_MAX)
                value = value * 10 + (m_data[m_pos] - '0');
            ++m_pos;
        }
        if (negative)
            value = -value;
        token.param = static_cast<int>(value > INT_MAX ? INT_MAX : (value < INT_MIN ? INT_MIN : value));
        token.hasParam = true;
    }
    if (m_pos < size && m_data[m_pos] == ' ')
        ++m_pos;

    if (token.text == "bin" && token.hasParam && token.param > 0) {
        const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(token.param), size - m_pos);
        token.binary = m_data.substr(m_pos, length);
        m_pos += length;
    }
    return token;
}

int rtfHexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace qp
