#pragma once

#include <QHash>
#include <QString>

#include <array>
#include <memory>

namespace qp {

// A Windows code page as RTF uses it for \'hh escapes and 8-bit text.
// Single-byte pages decode through a table; double-byte pages (932, 936,
// 949, 950, ...) and UTF-8 go through iconv. Mac pages that iconv lacks have
// tables of their own or read as the nearest complete page. Bytes that a page does not
// define never vanish: they become U+FFFD (or, in single-byte pages, the
// code point of the same number, as Windows does).
class RtfCodePage {
public:
    ~RtfCodePage();
    RtfCodePage(const RtfCodePage&) = delete;
    RtfCodePage& operator=(const RtfCodePage&) = delete;

    // The page for a Windows code-page number; unknown numbers give 1252.
    // The objects live for the whole program.
    static const RtfCodePage& get(int number);
    // The code page that an \fcharset value implies, or 0 for "the
    // document's own page".
    static int forCharset(int charset);

    int number() const { return m_number; }
    bool isMultiByte() const { return m_multiByte; }
    void decode(const char* bytes, std::size_t length, QString& out) const;
    // The byte for a character in a single-byte page, or -1.
    int encode(char16_t c) const;

private:
    explicit RtfCodePage(int number);

    int m_number;
    bool m_multiByte = false;
    std::array<char16_t, 256> m_table{};
    QHash<char16_t, unsigned char> m_reverse;
    void* m_iconv = nullptr;  // iconv_t, for multi-byte pages
};

}  // namespace qp
