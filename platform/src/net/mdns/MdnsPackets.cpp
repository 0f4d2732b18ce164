#include "net/mdns/MdnsPackets.h"

#include "common/AsciiCase.h"

#include <cstring>

namespace platform::mdns {

namespace {

constexpr std::string_view kLocalDomain = "local";

// RFC 6762 §10.2: in a response the top bit of a record's class asks caches
// to flush what they hold for the name; the class is the other 15 bits.
constexpr uint16_t kCacheFlushBit = 0x8000;

} // namespace

bool isSingleLabel(std::string_view name) {
  if (name.empty() || name.size() > DNS_MAX_LABEL_LENGTH)
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
  std::vector<unsigned char> packet;
  dns::appendHeader(packet, {.id = id, .questions = 1});
  for (const std::string &label : labels) {
    packet.push_back(static_cast<unsigned char>(label.size()));
    packet.insert(packet.end(), label.begin(), label.end());
  }
  packet.push_back(0);
  dns::appendU16(packet, type);
  dns::appendU16(packet, dns::kClassIn);
  return packet;
}

std::optional<std::vector<dns::Record>> readResponse(std::span<const unsigned char> packet,
                                                     uint16_t id) {
  dns::PacketReader reader(packet);
  dns::Header header;
  if (!reader.responseStart(id, header) || header.rcode() != 0)
    return std::nullopt;
  std::vector<dns::Record> records;
  for (size_t i = 0; i < header.records(); ++i) {
    dns::Record record;
    if (!reader.record(record))
      return std::nullopt;
    record.rrClass &= ~kCacheFlushBit;
    records.push_back(std::move(record));
  }
  return records;
}

std::optional<std::vector<unsigned char>> addressQuery(uint16_t id, std::string_view label) {
  if (!isSingleLabel(label))
    return std::nullopt;
  return queryPacket(id, {std::string(label), std::string(kLocalDomain)}, dns::kTypeA);
}

std::optional<std::vector<uint32_t>> readAddressAnswer(std::span<const unsigned char> packet,
                                                       uint16_t id, std::string_view label) {
  const std::optional<std::vector<dns::Record>> records = readResponse(packet, id);
  if (!records)
    return std::nullopt;
  const std::string wanted = std::string(label) + "." + std::string(kLocalDomain);
  std::vector<uint32_t> addresses;
  for (const dns::Record &record : *records)
    if (record.type == dns::kTypeA && record.rrClass == dns::kClassIn && record.data.size() == 4 &&
        sameIgnoringAsciiCase(dns::dottedName(record.owner), wanted)) {
      uint32_t address;
      std::memcpy(&address, record.data.data(), 4);
      addresses.push_back(address);
    }
  if (addresses.empty())
    return std::nullopt;
  return addresses;
}

} // namespace platform::mdns
