// ANSI text scanned by characters rather than bytes. In a double-byte
// character set the second byte of a character may have the value of an
// ASCII one: 表 and ソ end in 0x5C ('\\') in Shift_JIS, as do many
// characters in Big5 and GBK. Windows' A functions step over whole
// characters of the ANSI code page (CharNextA); so does this.
#pragma once

#include <cstddef>
#include <string_view>

namespace platform {

// The byte offset of the first character at or after byte `from` that is
// one of the single-byte characters in `wanted`, or npos. A byte that leads
// a character of two or more bytes always takes the byte after it along,
// also where the pair is not a valid character, as on Windows.
size_t findAnsiCharacter(std::string_view ansi, std::string_view wanted, size_t from = 0);

// Whether every byte of `ansi` belongs to a valid character of the ANSI
// code page. Under UTF-8 and the C locale, which pass text through as it
// is, any text is.
bool isWellFormedAnsi(std::string_view ansi);

} // namespace platform
