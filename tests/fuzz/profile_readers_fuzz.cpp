// What GetPrivateProfileStringA and GetPrivateProfileIntA hand out from a
// hostile INI file: the section and key lists and the values, each copied
// into a caller's buffer of a given size, which must never be written past
// and must always end as Windows ends it; and the integers read from the
// values.
//
// Input: "<buffer size>\t<section>\t<key>\t<default>\n" and then the file's
// bytes.
#include "FuzzCheck.h"
#include "FuzzInput.h"

#include "kernel32/profile/PrivateProfileFile.h"
#include "kernel32/profile/ProfileValues.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace {

using fuzzinput::field;

// A buffer of exactly `size` bytes on the heap, so that AddressSanitizer
// sees a write past its end.
class CallerBuffer {
public:
  explicit CallerBuffer(DWORD size) : size_(size), bytes_(new char[size]) {}
  LPSTR data() { return bytes_.get(); }
  std::string_view view() const { return {bytes_.get(), size_}; }

private:
  DWORD size_;
  std::unique_ptr<char[]> bytes_;
};

// A list as Windows returns it: each name ending in a NUL, then one more;
// when it does not fit, cut, ended with two NULs, and size - 2 returned.
void checkList(const std::vector<std::string_view> &names, DWORD size) {
  std::string whole;
  for (const std::string_view name : names)
    whole.append(name).push_back('\0');
  CallerBuffer buffer(size);
  const DWORD returned = platform::copyList(names, buffer.data(), size);
  const std::string_view out = buffer.view();
  if (size == 1) {
    FUZZ_CHECK(returned == 0 && out[0] == '\0');
  } else if (whole.size() + 1 < size) {
    FUZZ_CHECK(returned == whole.size());
    FUZZ_CHECK(out.substr(0, whole.size()) == whole && out[whole.size()] == '\0');
    if (whole.empty())
      FUZZ_CHECK(out[1] == '\0');
  } else {
    FUZZ_CHECK(returned == size - 2);
    FUZZ_CHECK(out.substr(0, size - 2) == std::string_view(whole).substr(0, size - 2));
    FUZZ_CHECK(out[size - 2] == '\0' && out[size - 1] == '\0');
  }
}

void checkText(std::string_view text, DWORD size) {
  CallerBuffer buffer(size);
  const DWORD returned = platform::copyText(text, buffer.data(), size);
  FUZZ_CHECK(returned == std::min<size_t>(text.size(), size - 1));
  FUZZ_CHECK(buffer.view().substr(0, returned) == text.substr(0, returned));
  FUZZ_CHECK(buffer.view()[returned] == '\0');
}

bool isDigitOf(char c, UINT base) {
  const bool decimal = c >= '0' && c <= '9';
  const bool hex = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  return decimal || (base == 16 && hex);
}

// The integer read from a value: what follows its digits does not count, a
// minus sign negates modulo 2^32, and up to 9 decimal or 7 hex digits read
// as strtoul reads them.
void checkInteger(std::string_view text) {
  const UINT value = platform::profileInteger(text);
  size_t at = 0;
  const bool hasSign = !text.empty() && (text[0] == '+' || text[0] == '-');
  at += hasSign ? 1 : 0;
  const std::string_view unsignedText = text.substr(at);
  const bool hex = unsignedText.size() >= 2 && unsignedText[0] == '0' &&
                   (unsignedText[1] == 'x' || unsignedText[1] == 'X');
  const UINT base = hex ? 16 : 10;
  size_t digitsEnd = at + (hex ? 2 : 0);
  while (digitsEnd < text.size() && isDigitOf(text[digitsEnd], base))
    ++digitsEnd;
  const std::string_view number = text.substr(0, digitsEnd);
  FUZZ_CHECK(platform::profileInteger(number) == value);
  const bool twoSigns = !unsignedText.empty() && (unsignedText[0] == '+' || unsignedText[0] == '-');
  if (hasSign && text[0] == '-' && !twoSigns)
    FUZZ_CHECK(value == 0u - platform::profileInteger(unsignedText));
  const size_t digits = digitsEnd - at - (hex ? 2 : 0);
  if (!hasSign && digits > 0 && digits <= (hex ? 7u : 9u)) {
    const std::string copy(number.substr(hex ? 2 : 0));
    FUZZ_CHECK(value == std::strtoul(copy.c_str(), nullptr, static_cast<int>(base)));
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view input(reinterpret_cast<const char *>(data), size);
  const size_t newline = input.find('\n');
  if (newline == std::string_view::npos)
    return 0;
  std::string_view header = input.substr(0, newline);
  const DWORD bufferSize =
      1 + static_cast<DWORD>(std::strtoul(field(header).c_str(), nullptr, 10) % 4096);
  const std::string section = field(header);
  const std::string key = field(header);
  const std::string fallback = field(header);
  const platform::ProfileDocument profile{std::string(input.substr(newline + 1))};

  const std::string_view shownDefault = platform::defaultText(fallback.c_str());
  FUZZ_CHECK(std::string_view(fallback).starts_with(shownDefault));
  FUZZ_CHECK(shownDefault.empty() || (shownDefault.back() != ' ' && shownDefault.back() != '\t'));
  checkText(shownDefault, bufferSize);

  checkList(profile.sectionNames(), bufferSize);
  if (const auto keys = profile.keyNames(section))
    checkList(*keys, bufferSize);
  if (const auto value = profile.value(section, key)) {
    const std::string_view text = platform::withoutQuotes(*value);
    FUZZ_CHECK(text.size() == value->size() || text.size() + 2 == value->size());
    FUZZ_CHECK(value->find(text) != std::string_view::npos);
    checkText(text, bufferSize);
    checkInteger(text);
  }
  return 0;
}
