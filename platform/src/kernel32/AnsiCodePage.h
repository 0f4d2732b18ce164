// "ANSI" text, as the A functions take and return it: on Windows the system's
// code page, here the character set of the user's locale (LC_ALL, LC_CTYPE,
// LANG). Names from the network and from name services come as UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The locale's character set when text must be converted to it: std::nullopt
// under UTF-8, and under the C locale, which has no character set of its own
// and passes UTF-8 through.
std::optional<std::string> ansiCharset();

// UTF-8 to the ANSI character set. A character it cannot represent, and a
// malformed sequence, become '?', as WideCharToMultiByte gives by default.
std::string ansiFromUtf8(std::string_view utf8);

// The ANSI character set to UTF-8; malformed bytes become '?'.
std::string utf8FromAnsi(std::string_view ansi);

} // namespace platform
