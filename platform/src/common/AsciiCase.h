// Case folding of ASCII letters only. Names on the wire and in files are
// compared the way Windows compares NetBIOS, DNS and profile names: bytes
// above 0x7f belong to ANSI (e.g. Shift-JIS) or UTF-8 characters and are
// never folded, whatever the process's locale is.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace platform {

constexpr char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr char asciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

inline std::string asciiLowered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), asciiLower);
  return text;
}

// The NetBIOS form of a name is upper case in this sense.
inline std::string asciiUppered(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), asciiUpper);
  return text;
}

inline bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

} // namespace platform
