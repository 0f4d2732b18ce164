#include "net/mdns/MdnsReverse.h"

#include "common/AsciiCase.h"

#include "net/DnsName.h"

namespace platform::mdns {

namespace {

constexpr size_t kHeaderSize = 12;
constexpr uint16_t kTypePtr = 12;
constexpr uint16_t kClassIn = 1;
constexpr std::string_view kLocalSuffix = ".local";

uint16_t read16(std::span<const unsigned char> p, size_t at) {
  return static_cast<uint16_t>(p[at] << 8 | p[at + 1]);
}

// d.c.b.a.in-addr.arpa for a.b.c.d, as labels.
std::vector<std::string> reverseLabels(uint32_t address) {
  const auto *bytes = reinterpret_cast<const unsigned char *>(&address);
  std::vector<std::string> labels;
  for (int i = 3; i >= 0; --i)
    labels.push_back(std::to_string(bytes[i]));
  labels.push_back("in-addr");
  labels.push_back("arpa");
  return labels;
}

std::string joined(const std::vector<std::string> &labels) {
  std::string name;
  for (const std::string &label : labels)
    name.append(name.empty() ? "" : ".").append(label);
  return name;
}

} // namespace

std::vector<unsigned char> reverseQuery(uint16_t id, uint32_t address) {
  std::vector<unsigned char> packet = {static_cast<unsigned char>(id >> 8),
                                       static_cast<unsigned char>(id & 0xFF),
                                       0,
                                       0,
                                       0,
                                       1,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0,
                                       0};
  for (const std::string &label : reverseLabels(address)) {
    packet.push_back(static_cast<unsigned char>(label.size()));
    packet.insert(packet.end(), label.begin(), label.end());
  }
  packet.insert(packet.end(), {0, 0, kTypePtr, 0, kClassIn});
  return packet;
}

std::optional<std::string> readReverseAnswer(std::span<const unsigned char> packet, uint16_t id,
                                             uint32_t address) {
  if (packet.size() < kHeaderSize || read16(packet, 0) != id)
    return std::nullopt;
  const uint16_t flags = read16(packet, 2);
  // QR must be set; opcode 0 (query) and RCODE 0.
  if ((flags & 0x8000) == 0 || (flags & 0x7800) != 0 || (flags & 0x000F) != 0)
    return std::nullopt;
  const std::string wanted = joined(reverseLabels(address));
  const uint16_t questions = read16(packet, 4);
  const size_t records =
      static_cast<size_t>(read16(packet, 6)) + read16(packet, 8) + read16(packet, 10);
  size_t at = kHeaderSize;
  std::vector<std::string> labels;
  for (uint16_t q = 0; q < questions; ++q) {
    if (!readDnsName(packet, at, labels, at) || at + 4 > packet.size())
      return std::nullopt;
    at += 4;
  }
  for (size_t r = 0; r < records; ++r) {
    if (!readDnsName(packet, at, labels, at) || at + 10 > packet.size())
      return std::nullopt;
    const std::string owner = joined(labels);
    const uint16_t type = read16(packet, at);
    // The top bit of the class is mDNS's cache-flush flag.
    const uint16_t rrClass = read16(packet, at + 2) & 0x7FFF;
    const size_t dataLength = read16(packet, at + 8);
    at += 10;
    if (at + dataLength > packet.size())
      return std::nullopt;
    size_t after = 0;
    if (type == kTypePtr && rrClass == kClassIn && sameIgnoringAsciiCase(owner, wanted) &&
        readDnsName(packet.first(at + dataLength), at, labels, after) && !labels.empty()) {
      std::string host = joined(labels);
      if (host.size() > kLocalSuffix.size() &&
          sameIgnoringAsciiCase(std::string_view(host).substr(host.size() - kLocalSuffix.size()),
                                kLocalSuffix))
        host.resize(host.size() - kLocalSuffix.size());
      return host;
    }
    at += dataLength;
  }
  return std::nullopt;
}

} // namespace platform::mdns
