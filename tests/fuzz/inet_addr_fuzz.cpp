// inet_addr on arbitrary text: the a, a.b, a.b.c and a.b.c.d forms in
// decimal, octal and hexadecimal. What it accepts must survive the round trip
// through inet_ntoa, and on plain decimal forms it must agree with glibc.
#include "FuzzCheck.h"
#include "GlibcAddress.h"

#include <winsock.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

bool isPlainDecimal(const std::string &text) {
  if (text.empty() || text.size() > 15 || text.front() == '.' || text.back() == '.')
    return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.') {
      if (text[i + 1] == '.')
        return false;
    } else if (c < '0' || c > '9') {
      return false;
    } else if (c == '0' && (i == 0 || text[i - 1] == '.') && i + 1 < text.size() &&
               text[i + 1] != '.') {
      return false; // a leading 0 makes the part octal
    }
  }
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // A NUL-terminated copy of exactly this size: ASan sees any read past it.
  char *text = new char[size + 1];
  std::memcpy(text, data, size);
  text[size] = '\0';
  const ULONG address = inet_addr(text);

  if (address != INADDR_NONE) {
    const size_t length = std::strlen(text);
    const std::string_view form(text, length);
    const size_t end = form.find_last_not_of(' ') + 1;
    FUZZ_CHECK(std::all_of(form.begin(), form.begin() + static_cast<long>(end), [](char c) {
      return c == '.' || c == 'x' || c == 'X' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
             (c >= 'A' && c <= 'F');
    }));
    FUZZ_CHECK(std::count(form.begin(), form.end(), '.') <= 3);
    struct in_addr value;
    std::memcpy(&value.s_addr, &address, 4);
    FUZZ_CHECK(inet_addr(inet_ntoa(value)) == address);
  }
  const std::string whole(text, std::strlen(text));
  if (isPlainDecimal(whole)) {
    uint32_t reference = 0;
    // All ones is both an address and INADDR_NONE, for glibc as for WinSock.
    if (glibcInetAton(whole.c_str(), reference))
      FUZZ_CHECK(reference == address);
    else
      FUZZ_CHECK(address == INADDR_NONE);
  }
  delete[] text;
  return 0;
}
