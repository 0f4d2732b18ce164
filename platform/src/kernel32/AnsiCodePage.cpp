#include "kernel32/AnsiCodePage.h"

#include "net/LibraryGate.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cerrno>
#include <cstring>

namespace {

// Bytes to skip for one character that could not be converted: the whole
// UTF-8 sequence it starts, or one byte of anything else.
size_t skipLength(std::string_view rest, bool utf8) {
  const auto lead = static_cast<unsigned char>(rest.front());
  size_t length = 1;
  if (utf8)
    length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  size_t skipped = 1;
  while (skipped < length && skipped < rest.size() &&
         (static_cast<unsigned char>(rest[skipped]) & 0xC0) == 0x80)
    ++skipped;
  return skipped;
}

class Converter {
public:
  Converter(const char *to, const char *from) : handle_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok())
      iconv_close(handle_);
  }
  Converter(const Converter &) = delete;
  Converter &operator=(const Converter &) = delete;
  bool ok() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  std::string convert(std::string_view text, bool fromUtf8) {
    std::string out;
    char buffer[256];
    char *in = const_cast<char *>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
      char *next = buffer;
      size_t room = sizeof buffer;
      const size_t done = iconv(handle_, &in, &inLeft, &next, &room);
      out.append(buffer, static_cast<size_t>(next - buffer));
      if (done != static_cast<size_t>(-1) || errno == E2BIG)
        continue;
      // EILSEQ: not representable or malformed; EINVAL: cut off at the end.
      const size_t skip = skipLength(std::string_view(in, inLeft), fromUtf8);
      in += skip;
      inLeft -= skip;
      out.push_back('?');
      iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    }
    char *next = buffer;
    size_t room = sizeof buffer;
    // Returns to the initial shift state, for the stateful character sets.
    iconv(handle_, nullptr, nullptr, &next, &room);
    out.append(buffer, static_cast<size_t>(next - buffer));
    return out;
  }

private:
  iconv_t handle_;
};

std::string converted(std::string_view text, bool toAnsi) {
  const platform::LibraryCall gate; // iconv_open takes glibc's gconv lock
  const std::optional<std::string> charset = platform::ansiCharset();
  if (!charset || text.empty())
    return std::string(text);
  Converter converter(toAnsi ? charset->c_str() : "UTF-8", toAnsi ? "UTF-8" : charset->c_str());
  if (!converter.ok())
    return std::string(text);
  return converter.convert(text, toAnsi);
}

} // namespace

std::optional<std::string> platform::ansiCharset() {
  const LibraryCall gate; // newlocale takes glibc's locale lock
  // The user's locale, whatever this process has set with setlocale: the
  // ANSI code page does not change with the C library's locale either.
  const locale_t user = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
  if (user == static_cast<locale_t>(nullptr))
    return std::nullopt;
  const std::string charset = nl_langinfo_l(CODESET, user);
  freelocale(user);
  if (charset.empty() || charset == "UTF-8" || charset == "ANSI_X3.4-1968")
    return std::nullopt;
  return charset;
}

std::string platform::ansiFromUtf8(std::string_view utf8) {
  return converted(utf8, true);
}

std::string platform::utf8FromAnsi(std::string_view ansi) {
  return converted(ansi, false);
}
