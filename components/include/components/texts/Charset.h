// The [Character] Charset number names the 8-bit encoding in which the
// message texts are written, as the Windows font character sets did.
#pragma once

#include <string>
#include <string_view>

namespace components {

// The iconv name of a character set number: 0 Windows-1252, 128 Shift_JIS
// (Windows code page 932), 129 CP949, 134 GBK, 136 Big5 (code page 950),
// 161 to 186 the Windows code pages 1253 to 1257, 204 Windows-1251,
// 222 CP874, 238 Windows-1250. 1, the default, and every other number mean
// UTF-8.
std::string_view charsetEncoding(int charset);

// Converts text in the named encoding to UTF-8. Bytes that the encoding
// cannot decode become U+FFFD; an encoding that iconv lacks leaves the bytes
// as they are with invalid UTF-8 replaced.
std::string decodeToUtf8(std::string_view bytes, std::string_view encoding);

}  // namespace components
