#include "net/mdns/MdnsReverse.h"

#include "common/AsciiCase.h"

#include "net/mdns/MdnsPackets.h"

namespace platform::mdns {

namespace {

constexpr std::string_view kLocalSuffix = ".local";

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

} // namespace

std::vector<unsigned char> reverseQuery(uint16_t id, uint32_t address) {
  return queryPacket(id, reverseLabels(address), dns::kTypePtr);
}

std::optional<std::string> readReverseAnswer(std::span<const unsigned char> packet, uint16_t id,
                                             uint32_t address) {
  const std::optional<std::vector<dns::Record>> records = readResponse(packet, id);
  if (!records)
    return std::nullopt;
  const std::string wanted = dns::dottedName(reverseLabels(address));
  for (const dns::Record &record : *records) {
    if (record.type != dns::kTypePtr || record.rrClass != dns::kClassIn ||
        !sameIgnoringAsciiCase(dns::dottedName(record.owner), wanted))
      continue;
    // The name in the data may point back into the packet, but not past
    // the data's end.
    dns::PacketReader reader(packet.first(record.dataAt + record.data.size()), record.dataAt);
    std::vector<std::string> labels;
    if (reader.name(labels) && !labels.empty()) {
      std::string host = dns::dottedName(labels);
      if (host.size() > kLocalSuffix.size() &&
          sameIgnoringAsciiCase(std::string_view(host).substr(host.size() - kLocalSuffix.size()),
                                kLocalSuffix))
        host.resize(host.size() - kLocalSuffix.size());
      return host;
    }
  }
  return std::nullopt;
}

} // namespace platform::mdns
