#pragma once

#include <cstdint>
#include <string_view>

namespace qp {

struct RtfToken {
    enum class Type { End, GroupStart, GroupEnd, ControlWord, ControlSymbol, HexByte, Text };

    Type type = Type::End;
    // ControlWord: the word's letters; Text: the run of plain bytes.
    std::string_view text;
    // ControlWord "bin": the binary payload that followed it.
    std::string_view binary;
    int param = 0;
    bool hasParam = false;
    // ControlSymbol: the character after the backslash ('\n' for a backslash
    // before a line break); HexByte: the byte value.
    unsigned char symbol = 0;
};

// Splits RTF bytes into tokens without copying. Never fails: a lone backslash
// at the end, a bad hex escape or a \bin longer than the data are all cut to
// what is there. Parameters that overflow are clamped to the int range.
class RtfTokenizer {
public:
    explicit RtfTokenizer(std::string_view data) : m_data(data) {}

    RtfToken next();
    std::size_t position() const { return m_pos; }

private:
    RtfToken readControl();

    std::string_view m_data;
    std::size_t m_pos = 0;
};

// The value of a hexadecimal digit, or -1 for any other character.
int rtfHexDigit(char c);

}  // namespace qp
