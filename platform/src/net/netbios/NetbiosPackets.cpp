#include "net/netbios/NetbiosPackets.h"

#include "common/AsciiCase.h"
#include "net/DnsPacket.h"

#include <algorithm>
#include <cstring>

namespace platform::netbios {

namespace {

// QUESTION_TYPE and RR_TYPE of a name query and a node status request
// (RFC 1002 §4.2.1.2, §4.2.1.3).
constexpr uint16_t kTypeNb = 0x0020;
constexpr uint16_t kTypeNbstat = 0x0021;
constexpr size_t kEncodedLabelLength = 32;
constexpr size_t kNbEntrySize = 6; // NB_FLAGS, NB_ADDRESS

std::vector<unsigned char> request(uint16_t transactionId, uint16_t flags, const Name &name,
                                   uint16_t type) {
  std::vector<unsigned char> out;
  out.reserve(dns::kHeaderSize + 34 + 4);
  dns::appendHeader(out, {.id = transactionId, .flags = flags, .questions = 1});
  const auto encoded = encodedName(name);
  out.insert(out.end(), encoded.begin(), encoded.end());
  dns::appendU16(out, type);
  dns::appendU16(out, dns::kClassIn);
  return out;
}

// The first label of a record's name is the NetBIOS name, first-level
// encoded (RFC 1001 §14.1); the rest is the scope, which is ignored.
bool decodeOwner(const std::vector<std::string> &owner, Name &name) {
  if (owner.empty() || owner.front().size() != kEncodedLabelLength)
    return false;
  const std::string &label = owner.front();
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char high = label[2 * i], low = label[2 * i + 1];
    if (high < 'A' || high > 'P' || low < 'A' || low > 'P')
      return false;
    name[i] = static_cast<unsigned char>((high - 'A') << 4 | (low - 'A'));
  }
  return true;
}

// The first record of a response, about a NetBIOS name. Every record the
// header announces after it must be there in full: a packet that claims
// more than it holds is not an answer.
bool readFirstRecord(dns::PacketReader &reader, const dns::Header &header, Name &name,
                     dns::Record &record) {
  if (!reader.record(record) || !decodeOwner(record.owner, name))
    return false;
  dns::Record rest;
  for (size_t i = 1; i < header.records(); ++i)
    if (!reader.record(rest))
      return false;
  return true;
}

} // namespace

std::optional<Name> hostName(std::string_view name, unsigned char suffix) {
  if (name.empty() || name.size() > 15 || name.find('.') != std::string_view::npos)
    return std::nullopt;
  Name result;
  result.fill(' ');
  for (size_t i = 0; i < name.size(); ++i)
    result[i] = static_cast<unsigned char>(asciiUpper(name[i]));
  result[15] = suffix;
  return result;
}

Name wildcardName() {
  Name name{};
  name[0] = '*';
  return name;
}

std::array<unsigned char, 34> encodedName(const Name &name) {
  std::array<unsigned char, 34> out{};
  out[0] = static_cast<unsigned char>(kEncodedLabelLength);
  for (size_t i = 0; i < name.size(); ++i) {
    out[1 + 2 * i] = static_cast<unsigned char>('A' + (name[i] >> 4));
    out[2 + 2 * i] = static_cast<unsigned char>('A' + (name[i] & 0x0f));
  }
  out[33] = 0;
  return out;
}

std::vector<unsigned char> nameQuery(uint16_t transactionId, const Name &name, bool broadcast) {
  const uint16_t flags =
      dns::kFlagRecursionDesired | (broadcast ? dns::kFlagBroadcast : uint16_t{0});
  return request(transactionId, flags, name, kTypeNb);
}

std::vector<unsigned char> nodeStatusRequest(uint16_t transactionId) {
  return request(transactionId, 0, wildcardName(), kTypeNbstat);
}

std::optional<NameQueryAnswer> readNameQueryAnswer(std::span<const unsigned char> packet,
                                                   uint16_t transactionId, const Name &name) {
  dns::PacketReader reader(packet);
  dns::Header header;
  if (!reader.responseStart(transactionId, header))
    return std::nullopt;
  // A name server says "no such name" with RCODE NAM_ERR (§4.2.14).
  const bool negative = header.rcode() != 0;
  if (header.answers == 0)
    return negative ? std::optional(NameQueryAnswer{}) : std::nullopt;
  Name owner;
  dns::Record record;
  if (!readFirstRecord(reader, header, owner, record) || owner != name)
    return std::nullopt;
  if (negative)
    return NameQueryAnswer{};
  if (record.type != kTypeNb || record.rrClass != dns::kClassIn || record.data.empty() ||
      record.data.size() % kNbEntrySize != 0)
    return std::nullopt;
  // RDATA (§4.2.13): NB_FLAGS and NB_ADDRESS, once for each address.
  NameQueryAnswer answer{true, {}};
  dns::PacketReader entries(record.data);
  std::span<const unsigned char> address;
  while (entries.skip(2) && entries.bytes(4, address)) {
    uint32_t value;
    std::memcpy(&value, address.data(), sizeof value);
    answer.addresses.push_back(value);
  }
  return answer;
}

std::optional<std::vector<NodeName>> readNodeStatusAnswer(std::span<const unsigned char> packet,
                                                          uint16_t transactionId) {
  dns::PacketReader reader(packet);
  dns::Header header;
  if (!reader.responseStart(transactionId, header) || header.rcode() != 0 || header.answers == 0)
    return std::nullopt;
  Name owner;
  dns::Record record;
  if (!readFirstRecord(reader, header, owner, record) || owner != wildcardName() ||
      record.type != kTypeNbstat || record.rrClass != dns::kClassIn)
    return std::nullopt;
  // RDATA (§4.2.18): NUM_NAMES, then NETBIOS_NAME and NAME_FLAGS for each;
  // the statistics after them are not read.
  dns::PacketReader entries(record.data);
  uint8_t count;
  if (!entries.u8(count))
    return std::nullopt;
  std::vector<NodeName> names(count);
  for (NodeName &entry : names) {
    std::span<const unsigned char> name;
    if (!entries.bytes(entry.name.size(), name) || !entries.u16(entry.flags))
      return std::nullopt;
    std::copy(name.begin(), name.end(), entry.name.begin());
  }
  return names;
}

std::optional<std::string> workstationName(const std::vector<NodeName> &names) {
  for (const NodeName &entry : names) {
    if (entry.group() || entry.name[15] != kWorkstationSuffix)
      continue;
    std::string name(entry.name.begin(), entry.name.begin() + 15);
    name.erase(name.find_last_not_of(' ') + 1);
    if (!name.empty() && name.find('\0') == std::string::npos)
      return name;
  }
  return std::nullopt;
}

} // namespace platform::netbios
