#include "net/DnsName.h"

namespace platform {

namespace {
constexpr size_t kMaxNameBytes = 255;
}

bool readDnsName(std::span<const unsigned char> packet, size_t at, std::vector<std::string> &labels,
                 size_t &next) {
  labels.clear();
  size_t limit = at;
  bool jumped = false;
  size_t total = 0;
  for (;;) {
    if (at >= packet.size())
      return false;
    const unsigned char length = packet[at];
    if ((length & 0xc0) == 0xc0) {
      if (at + 1 >= packet.size())
        return false;
      const size_t target = static_cast<size_t>(length & 0x3f) << 8 | packet[at + 1];
      if (target >= limit)
        return false;
      if (!jumped)
        next = at + 2;
      jumped = true;
      limit = target;
      at = target;
      continue;
    }
    if ((length & 0xc0) != 0)
      return false; // the reserved label types
    total += 1 + length;
    if (total > kMaxNameBytes || packet.size() - at - 1 < length)
      return false;
    if (length == 0) {
      if (!jumped)
        next = at + 1;
      return true;
    }
    labels.emplace_back(reinterpret_cast<const char *>(packet.data() + at + 1), length);
    at += 1 + length;
  }
}

} // namespace platform
