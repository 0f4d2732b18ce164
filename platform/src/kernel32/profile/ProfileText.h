// The byte rules for names and values in INI files. Only ASCII blanks and
// ASCII letters count: bytes above 0x7f are parts of ANSI (e.g. Shift-JIS)
// characters and must never be trimmed or case-folded.
#pragma once

#include <string_view>

namespace platform {

bool isBlank(char c);
// Without blanks around it.
std::string_view trimmed(std::string_view text);
bool hasLineBreak(std::string_view text);

} // namespace platform
