#include "kernel32/AnsiCharacters.h"

#include "net/LibraryGate.h"

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cwchar>
#include <string_view>

namespace {

// The user's locale on this thread while it lives: mbrlen reads the
// thread's locale, and the ANSI code page is the user's whatever the
// process has set with setlocale.
class UserLocale {
public:
  // newlocale and freelocale take glibc's locale lock.
  UserLocale() : user_(newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr))) {
    if (ok())
      previous_ = uselocale(user_);
  }
  ~UserLocale() {
    if (ok()) {
      uselocale(previous_);
      freelocale(user_);
    }
  }
  UserLocale(const UserLocale &) = delete;
  UserLocale &operator=(const UserLocale &) = delete;
  bool ok() const { return user_ != static_cast<locale_t>(nullptr); }
  // Under UTF-8 no byte of a longer character is below 0x80.
  bool isUtf8() const { return std::string_view(nl_langinfo_l(CODESET, user_)) == "UTF-8"; }

private:
  const platform::LibraryCall gate_;
  locale_t user_;
  locale_t previous_ = static_cast<locale_t>(nullptr);
};

// The length of the character at the start of `rest` (not empty).
size_t characterLength(std::string_view rest) {
  std::mbstate_t state{};
  const size_t length = std::mbrlen(rest.data(), rest.size(), &state);
  if (length != static_cast<size_t>(-1) && length != static_cast<size_t>(-2))
    return length == 0 ? 1 : length; // 0: a NUL byte
  // Malformed or cut off: a lead byte (one that cannot stand alone) still
  // takes the next byte with it.
  state = std::mbstate_t{};
  const bool lead = std::mbrlen(rest.data(), 1, &state) == static_cast<size_t>(-2);
  return lead && rest.size() > 1 ? 2 : 1;
}

} // namespace

size_t platform::findAnsiCharacter(std::string_view ansi, std::string_view wanted, size_t from) {
  // Most names hold no such byte at all, and then need no locale.
  const size_t anyByte = ansi.find_first_of(wanted, from);
  if (anyByte == std::string_view::npos)
    return anyByte;
  const UserLocale user;
  if (!user.ok() || user.isUtf8())
    return anyByte;
  for (size_t at = 0; at < ansi.size();) {
    const size_t length = characterLength(ansi.substr(at));
    if (length == 1 && at >= from && wanted.find(ansi[at]) != std::string_view::npos)
      return at;
    at += length;
  }
  return std::string_view::npos;
}

bool platform::isWellFormedAnsi(std::string_view ansi) {
  if (std::all_of(ansi.begin(), ansi.end(), [](char c) { return (c & 0x80) == 0; }))
    return true;
  const UserLocale user;
  if (!user.ok() || user.isUtf8())
    return true;
  for (size_t at = 0; at < ansi.size();) {
    std::mbstate_t state{};
    const size_t length = std::mbrlen(ansi.data() + at, ansi.size() - at, &state);
    if (length == static_cast<size_t>(-1) || length == static_cast<size_t>(-2))
      return false;
    at += length == 0 ? 1 : length;
  }
  return true;
}
