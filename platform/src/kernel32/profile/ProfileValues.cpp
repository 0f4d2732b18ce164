#include "kernel32/profile/ProfileValues.h"

#include <shared/ProfileInteger.h>

#include <algorithm>
#include <cstring>

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
  return *readProfileInteger(text, ProfileIntegerRule::Leading);
}

} // namespace platform
