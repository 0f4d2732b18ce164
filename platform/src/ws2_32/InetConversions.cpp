#include "common/AsciiCase.h"

#include <shared/CBoundary.h>

#include <winsock.h>

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// One part of an inet_addr string: decimal, octal (leading 0) or hexadecimal
// (leading 0x). Advances p past it; false when there are no digits or the
// value overflows 32 bits.
bool parsePart(const char *&p, unsigned long &value) {
  unsigned base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
    if (!std::isxdigit(static_cast<unsigned char>(*p)))
      return false;
  } else if (p[0] == '0') {
    base = 8;
  } else if (!std::isdigit(static_cast<unsigned char>(*p))) {
    return false;
  }
  value = 0;
  for (;; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    unsigned digit;
    if (std::isdigit(c))
      digit = c - '0';
    else if (base == 16 && std::isxdigit(c))
      digit = platform::asciiLower(static_cast<char>(c)) - 'a' + 10;
    else
      break;
    if (digit >= base)
      return false;
    value = value * base + digit;
    if (value > 0xffffffffUL)
      return false;
  }
  return true;
}

} // namespace

// The classic a, a.b, a.b.c and a.b.c.d forms; the last part fills the
// remaining bytes. Spaces may follow, nothing else. Anything else, including
// the empty string and a string of spaces alone, is INADDR_NONE.
ULONG WINAPI inet_addr(const char *cp) {
  return cboundary::guardedWinSock(INADDR_NONE, [&]() -> ULONG {
    if (cp == nullptr)
      return INADDR_NONE;
    unsigned long parts[4];
    int count = 0;
    const char *p = cp;
    for (;;) {
      if (count == 4 || !parsePart(p, parts[count]))
        return INADDR_NONE;
      ++count;
      if (*p != '.')
        break;
      ++p;
    }
    while (*p == ' ')
      ++p;
    if (*p != '\0')
      return INADDR_NONE;

    unsigned long host = 0;
    switch (count) {
    case 1:
      host = parts[0];
      break;
    case 2:
      if (parts[0] > 0xff || parts[1] > 0xffffff)
        return INADDR_NONE;
      host = parts[0] << 24 | parts[1];
      break;
    case 3:
      if (parts[0] > 0xff || parts[1] > 0xff || parts[2] > 0xffff)
        return INADDR_NONE;
      host = parts[0] << 24 | parts[1] << 16 | parts[2];
      break;
    default:
      for (int i = 0; i < 4; ++i)
        if (parts[i] > 0xff)
          return INADDR_NONE;
      host = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
    }
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(host >> 24), static_cast<unsigned char>(host >> 16),
        static_cast<unsigned char>(host >> 8), static_cast<unsigned char>(host)};
    ULONG network;
    std::memcpy(&network, bytes, 4);
    return network;
  });
}

char *WINAPI inet_ntoa(struct in_addr in) {
  return cboundary::guardedWinSock(nullptr, [&]() -> char * {
    // Per thread, valid until the next call on the same thread.
    thread_local char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", in.S_un.S_un_b.s_b1, in.S_un.S_un_b.s_b2,
                  in.S_un.S_un_b.s_b3, in.S_un.S_un_b.s_b4);
    return text;
  });
}
