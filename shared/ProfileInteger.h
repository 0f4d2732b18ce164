// Integers in INI (profile) files, read the two ways the code needs them: as
// GetPrivateProfileIntA reads them, and as the program reads its settings.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// How much of a text a profile integer takes, and what it accepts.
enum class ProfileIntegerRule {
  // GetPrivateProfileIntA: an optional sign, then decimal digits, or "0x" and
  // hexadecimal digits, up to the first other character. No digits read as 0,
  // and arithmetic wraps at 32 bits as on Windows, so "-8" comes back as
  // 0xFFFFFFF8, which callers cast to int.
  Leading,
  // The window-settings file: blanks, an optional sign, then decimal digits,
  // or hexadecimal ones after "$", "0x" or "0X", and nothing after them.
  // Hexadecimal spans the full 32 bits ($FFFFFFFF is -1); decimal must fit
  // the signed range. Anything else is no integer.
  Whole,
};

// The value of c as a digit of a base up to 16, or -1.
inline int profileDigitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// The 32 bits of the integer that text holds under rule; std::nullopt only
// when the Whole rule finds no integer.
inline std::optional<uint32_t> readProfileInteger(std::string_view text, ProfileIntegerRule rule) {
  const bool whole = rule == ProfileIntegerRule::Whole;
  size_t at = 0;
  while (whole && at < text.size() && (text[at] == ' ' || text[at] == '\t'))
    ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-'))
    negative = text[at++] == '-';
  unsigned base = 10;
  if (whole && at < text.size() && text[at] == '$') {
    base = 16;
    ++at;
  } else if (at + 1 < text.size() && text[at] == '0' &&
             (text[at + 1] == 'x' || text[at + 1] == 'X')) {
    base = 16;
    at += 2;
  }
  if (whole && at == text.size())
    return std::nullopt;
  const uint64_t limit = base == 16 ? UINT32_MAX : (negative ? 2147483648u : 2147483647u);
  uint64_t magnitude = 0;
  for (; at < text.size(); ++at) {
    const int digit = profileDigitValue(text[at]);
    if (digit < 0 || static_cast<unsigned>(digit) >= base) {
      if (whole)
        return std::nullopt;
      break;
    }
    magnitude = magnitude * base + static_cast<unsigned>(digit);
    if (!whole)
      magnitude &= UINT32_MAX;
    else if (magnitude > limit)
      return std::nullopt;
  }
  const uint32_t bits = static_cast<uint32_t>(magnitude);
  return negative ? 0u - bits : bits;
}
