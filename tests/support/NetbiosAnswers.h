// NetBIOS name service answers as nmbd sends them, built for tests that
// play a name server.
#pragma once

#include "net/netbios/NetbiosPackets.h"

#include <arpa/inet.h>

#include <cstdint>
#include <vector>

namespace testsupport {

using Bytes = std::vector<unsigned char>;

inline void putWord(Bytes &out, uint16_t value) {
  out.push_back(static_cast<unsigned char>(value >> 8));
  out.push_back(static_cast<unsigned char>(value));
}

inline void putName(Bytes &out, const platform::netbios::Name &name) {
  const auto encoded = platform::netbios::encodedName(name);
  out.insert(out.end(), encoded.begin(), encoded.end());
}

inline Bytes nameServiceHeader(uint16_t id, uint16_t flags, uint16_t answers) {
  Bytes out;
  putWord(out, id);
  putWord(out, flags);
  putWord(out, 0);
  putWord(out, answers);
  putWord(out, 0);
  putWord(out, 0);
  return out;
}

// A positive (or, with rcode, negative) name query response.
inline Bytes nameAnswer(uint16_t id, const platform::netbios::Name &name,
                        std::vector<const char *> addresses, uint16_t rcode = 0) {
  Bytes out = nameServiceHeader(id, static_cast<uint16_t>(0x8500 | rcode), 1);
  putName(out, name);
  putWord(out, 0x0020);
  putWord(out, 0x0001);
  putWord(out, 0);
  putWord(out, 300);
  putWord(out, static_cast<uint16_t>(addresses.size() * 6));
  for (const char *a : addresses) {
    putWord(out, 0x0000);
    uint32_t value = 0;
    ::inet_pton(AF_INET, a, &value);
    const auto *bytes = reinterpret_cast<const unsigned char *>(&value);
    out.insert(out.end(), bytes, bytes + 4);
  }
  return out;
}

} // namespace testsupport
