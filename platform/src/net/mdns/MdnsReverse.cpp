#include "net/mdns/MdnsReverse.h"

#include "common/AsciiCase.h"

#include "net/DnsName.h"
#include "net/mdns/MdnsPackets.h"

namespace platform::mdns {

namespace {

constexpr uint16_t kTypePtr = 12;
constexpr uint16_t kClassIn = 1;
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

std::string joined(const std::vector<std::string> &labels) {
  std::string name;
  for (const std::string &label : labels)
    name.append(name.empty() ? "" : ".").append(label);
  return name;
}

} // namespace

std::vector<unsigned char> reverseQuery(uint16_t id, uint32_t address) {
  return queryPacket(id, reverseLabels(address), kTypePtr);
}

std::optional<std::string> readReverseAnswer(std::span<const unsigned char> packet, uint16_t id,
                                             uint32_t address) {
  const std::optional<std::vector<Record>> records = readResponse(packet, id);
  if (!records)
    return std::nullopt;
  const std::string wanted = joined(reverseLabels(address));
  for (const Record &record : *records) {
    std::vector<std::string> labels;
    size_t after = 0;
    if (record.type == kTypePtr && record.rrClass == kClassIn &&
        sameIgnoringAsciiCase(record.owner, wanted) &&
        readDnsName(packet.first(record.dataAt + record.dataLength), record.dataAt, labels,
                    after) &&
        !labels.empty()) {
      std::string host = joined(labels);
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
