#include "kernel32/profile/ProfileValues.h"

#include <algorithm>
#include <cstring>

namespace {

int digitValue(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

} // namespace

namespace platform {

std::string_view defaultText(LPCSTR lpDefault) {
  std::string_view text = lpDefault != nullptr ? lpDefault : "";
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

std::string_view withoutQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

DWORD copyText(std::string_view text, LPSTR buffer, DWORD size) {
  const size_t copied = std::min<size_t>(text.size(), size - 1);
  if (copied > 0)
    std::memmove(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return static_cast<DWORD>(copied);
}

DWORD copyList(const std::vector<std::string_view> &names, LPSTR buffer, DWORD size) {
  if (size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  const size_t room = size - 1; // the last byte is kept for the list's NUL
  size_t used = 0;
  for (const std::string_view name : names) {
    const size_t left = room - used;
    if (name.size() + 1 >= left) {
      std::memcpy(buffer + used, name.data(), left - 1);
      buffer[size - 2] = '\0';
      buffer[size - 1] = '\0';
      return size - 2;
    }
    std::memcpy(buffer + used, name.data(), name.size());
    used += name.size();
    buffer[used++] = '\0';
  }
  buffer[used] = '\0';
  if (used == 0)
    buffer[1] = '\0';
  return static_cast<DWORD>(used);
}

UINT profileInteger(std::string_view text) {
  size_t at = 0;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  UINT base = 10;
  if (at + 1 < text.size() && text[at] == '0' && (text[at + 1] == 'x' || text[at + 1] == 'X')) {
    base = 16;
    at += 2;
  }
  UINT result = 0;
  for (; at < text.size(); ++at) {
    const int digit = digitValue(text[at]);
    if (digit < 0 || static_cast<UINT>(digit) >= base)
      break;
    result = result * base + static_cast<UINT>(digit);
  }
  return negative ? 0u - result : result;
}

} // namespace platform
