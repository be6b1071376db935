#pragma once

namespace qp {

// The characters of bytes 0x80 to 0xFF of a Mac code page (10004 Arabic,
// 10006 Greek, 10010 Romanian, 10081 Turkish, 10082 Croatian) that iconv
// lacks, or nullptr for any other page.
const char16_t* macCodePageUpperHalf(int number);

}  // namespace qp
