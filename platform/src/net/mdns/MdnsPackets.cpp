#include "net/mdns/MdnsPackets.h"

#include "common/AsciiCase.h"

#include "net/DnsName.h"

#include <cstring>

namespace platform::mdns {

namespace {

constexpr std::string_view kLocalDomain = "local";
constexpr size_t kHeaderSize = 12;
constexpr size_t kMaxLabel = 63;
constexpr uint16_t kTypeA = 1;
constexpr uint16_t kClassIn = 1;

uint16_t read16(std::span<const unsigned char> p, size_t at) {
  return static_cast<uint16_t>(p[at] << 8 | p[at + 1]);
}

// The name at `at` as dotted text.
bool readName(std::span<const unsigned char> p, size_t at, std::string &name, size_t &next) {
  std::vector<std::string> labels;
  if (!readDnsName(p, at, labels, next))
    return false;
  name.clear();
  for (const std::string &label : labels)
    name.append(name.empty() ? "" : ".").append(label);
  return true;
}

} // namespace

bool isSingleLabel(std::string_view name) {
  if (name.empty() || name.size() > kMaxLabel)
    return false;
  for (char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_';
    if (!ok)
      return false;
  }
  return true;
}

std::vector<unsigned char> queryPacket(uint16_t id, const std::vector<std::string> &labels,
                                       uint16_t type) {
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
  for (const std::string &label : labels) {
    packet.push_back(static_cast<unsigned char>(label.size()));
    packet.insert(packet.end(), label.begin(), label.end());
  }
  packet.insert(packet.end(), {0, static_cast<unsigned char>(type >> 8),
                               static_cast<unsigned char>(type & 0xFF), 0, kClassIn});
  return packet;
}

std::optional<std::vector<Record>> readResponse(std::span<const unsigned char> packet,
                                                uint16_t id) {
  if (packet.size() < kHeaderSize || read16(packet, 0) != id)
    return std::nullopt;
  const uint16_t flags = read16(packet, 2);
  // QR must be set; opcode 0 (query) and RCODE 0.
  if ((flags & 0x8000) == 0 || (flags & 0x7800) != 0 || (flags & 0x000F) != 0)
    return std::nullopt;
  const uint16_t questions = read16(packet, 4);
  const size_t records =
      static_cast<size_t>(read16(packet, 6)) + read16(packet, 8) + read16(packet, 10);
  size_t at = kHeaderSize;
  std::string name;
  for (uint16_t q = 0; q < questions; ++q) {
    if (!readName(packet, at, name, at) || at + 4 > packet.size())
      return std::nullopt;
    at += 4;
  }
  std::vector<Record> read;
  for (size_t r = 0; r < records; ++r) {
    Record record;
    if (!readName(packet, at, record.owner, at) || at + 10 > packet.size())
      return std::nullopt;
    record.type = read16(packet, at);
    // The top bit of the class is mDNS's cache-flush flag.
    record.rrClass = read16(packet, at + 2) & 0x7FFF;
    record.dataLength = read16(packet, at + 8);
    record.dataAt = at + 10;
    at = record.dataAt + record.dataLength;
    if (at > packet.size())
      return std::nullopt;
    read.push_back(std::move(record));
  }
  return read;
}

std::optional<std::vector<unsigned char>> addressQuery(uint16_t id, std::string_view label) {
  if (!isSingleLabel(label))
    return std::nullopt;
  return queryPacket(id, {std::string(label), std::string(kLocalDomain)}, kTypeA);
}

std::optional<std::vector<uint32_t>> readAddressAnswer(std::span<const unsigned char> packet,
                                                       uint16_t id, std::string_view label) {
  const std::optional<std::vector<Record>> records = readResponse(packet, id);
  if (!records)
    return std::nullopt;
  const std::string wanted = std::string(label) + "." + std::string(kLocalDomain);
  std::vector<uint32_t> addresses;
  for (const Record &record : *records)
    if (record.type == kTypeA && record.rrClass == kClassIn && record.dataLength == 4 &&
        sameIgnoringAsciiCase(record.owner, wanted)) {
      uint32_t address;
      std::memcpy(&address, packet.data() + record.dataAt, 4);
      addresses.push_back(address);
    }
  if (addresses.empty())
    return std::nullopt;
  return addresses;
}

} // namespace platform::mdns
