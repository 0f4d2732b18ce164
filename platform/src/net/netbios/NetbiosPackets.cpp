#include "net/netbios/NetbiosPackets.h"

#include "common/AsciiCase.h"
#include "net/DnsName.h"

#include <cstring>

namespace platform::netbios {

namespace {

constexpr uint16_t kResponseFlag = 0x8000;
constexpr uint16_t kOpcodeMask = 0x7800;
constexpr uint16_t kRecursionDesired = 0x0100;
constexpr uint16_t kBroadcastFlag = 0x0010;
constexpr uint16_t kRcodeMask = 0x000f;
constexpr uint16_t kTypeNb = 0x0020;
constexpr uint16_t kTypeNbstat = 0x0021;
constexpr uint16_t kClassIn = 0x0001;
constexpr size_t kHeaderSize = 12;
constexpr size_t kEncodedLabelLength = 32;
constexpr size_t kNbEntrySize = 6;
constexpr size_t kNodeNameEntrySize = 18;

void putWord(std::vector<unsigned char> &out, uint16_t value) {
  out.push_back(static_cast<unsigned char>(value >> 8));
  out.push_back(static_cast<unsigned char>(value));
}

std::vector<unsigned char> request(uint16_t transactionId, uint16_t flags, const Name &name,
                                   uint16_t type) {
  std::vector<unsigned char> out;
  out.reserve(kHeaderSize + 34 + 4);
  putWord(out, transactionId);
  putWord(out, flags);
  putWord(out, 1); // QDCOUNT
  putWord(out, 0);
  putWord(out, 0);
  putWord(out, 0);
  const auto encoded = encodedName(name);
  out.insert(out.end(), encoded.begin(), encoded.end());
  putWord(out, type);
  putWord(out, kClassIn);
  return out;
}

// Bounds-checked reading of a received packet.
class Reader {
public:
  explicit Reader(std::span<const unsigned char> packet) : packet_(packet) {}

  size_t position() const { return position_; }
  bool word(uint16_t &value) {
    if (packet_.size() - position_ < 2)
      return false;
    value = static_cast<uint16_t>(packet_[position_] << 8 | packet_[position_ + 1]);
    position_ += 2;
    return true;
  }
  bool skip(size_t count) {
    if (packet_.size() - position_ < count)
      return false;
    position_ += count;
    return true;
  }
  std::span<const unsigned char> take(size_t count) {
    if (packet_.size() - position_ < count)
      return {};
    std::span<const unsigned char> bytes = packet_.subspan(position_, count);
    position_ += count;
    return bytes;
  }

  // The first label of the name here, which is the NetBIOS name; the rest
  // is the scope, which is skipped.
  bool name(std::vector<unsigned char> &firstLabel) {
    std::vector<std::string> labels;
    size_t next = 0;
    if (!readDnsName(packet_, position_, labels, next) || labels.empty())
      return false;
    firstLabel.assign(labels.front().begin(), labels.front().end());
    position_ = next;
    return true;
  }

private:
  std::span<const unsigned char> packet_;
  size_t position_ = 0;
};

bool decodeLabel(const std::vector<unsigned char> &label, Name &name) {
  if (label.size() != kEncodedLabelLength)
    return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char high = label[2 * i], low = label[2 * i + 1];
    if (high < 'A' || high > 'P' || low < 'A' || low > 'P')
      return false;
    name[i] = static_cast<unsigned char>((high - 'A') << 4 | (low - 'A'));
  }
  return true;
}

struct Header {
  uint16_t id = 0, flags = 0, questions = 0, answers = 0, authorities = 0, additional = 0;
};

bool readHeader(Reader &reader, Header &header) {
  return reader.word(header.id) && reader.word(header.flags) && reader.word(header.questions) &&
         reader.word(header.answers) && reader.word(header.authorities) &&
         reader.word(header.additional);
}

// A response of the query opcode to our transaction, with its questions (if
// the sender repeated any) skipped.
bool readResponseStart(Reader &reader, uint16_t transactionId, Header &header) {
  if (!readHeader(reader, header) || header.id != transactionId ||
      (header.flags & kResponseFlag) == 0 || (header.flags & kOpcodeMask) != 0)
    return false;
  std::vector<unsigned char> label;
  for (uint16_t i = 0; i < header.questions; ++i)
    if (!reader.name(label) || !reader.skip(4))
      return false;
  return true;
}

struct ResourceRecord {
  Name name{};
  uint16_t type = 0, rrClass = 0, length = 0;
  std::span<const unsigned char> data;
};

bool readResourceRecord(Reader &reader, ResourceRecord &record) {
  std::vector<unsigned char> label;
  uint16_t ttlHigh, ttlLow;
  if (!reader.name(label) || !decodeLabel(label, record.name) || !reader.word(record.type) ||
      !reader.word(record.rrClass) || !reader.word(ttlHigh) || !reader.word(ttlLow) ||
      !reader.word(record.length))
    return false;
  record.data = reader.take(record.length);
  return record.data.size() == record.length;
}

// Every record the header announces after the first must be there in full;
// a packet that claims more than it holds is not an answer.
bool restIsWhole(Reader &reader, const Header &header) {
  const size_t records =
      static_cast<size_t>(header.answers) - 1 + header.authorities + header.additional;
  std::vector<unsigned char> label;
  for (size_t i = 0; i < records; ++i) {
    uint16_t length;
    if (!reader.name(label) || !reader.skip(8) || !reader.word(length) || !reader.skip(length))
      return false;
  }
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
  const uint16_t flags = kRecursionDesired | (broadcast ? kBroadcastFlag : 0);
  return request(transactionId, flags, name, kTypeNb);
}

std::vector<unsigned char> nodeStatusRequest(uint16_t transactionId) {
  return request(transactionId, 0, wildcardName(), kTypeNbstat);
}

std::optional<NameQueryAnswer> readNameQueryAnswer(std::span<const unsigned char> packet,
                                                   uint16_t transactionId, const Name &name) {
  Reader reader(packet);
  Header header;
  if (!readResponseStart(reader, transactionId, header))
    return std::nullopt;
  const bool negative = (header.flags & kRcodeMask) != 0;
  if (header.answers == 0)
    return negative ? std::optional(NameQueryAnswer{}) : std::nullopt;
  ResourceRecord record;
  if (!readResourceRecord(reader, record) || record.name != name || !restIsWhole(reader, header))
    return std::nullopt;
  if (negative)
    return NameQueryAnswer{};
  if (record.type != kTypeNb || record.rrClass != kClassIn || record.length == 0 ||
      record.length % kNbEntrySize != 0)
    return std::nullopt;
  NameQueryAnswer answer{true, {}};
  for (size_t at = 0; at < record.data.size(); at += kNbEntrySize) {
    uint32_t address;
    std::memcpy(&address, record.data.data() + at + 2, sizeof address);
    answer.addresses.push_back(address);
  }
  return answer;
}

std::optional<std::vector<NodeName>> readNodeStatusAnswer(std::span<const unsigned char> packet,
                                                          uint16_t transactionId) {
  Reader reader(packet);
  Header header;
  if (!readResponseStart(reader, transactionId, header) || (header.flags & kRcodeMask) != 0 ||
      header.answers == 0)
    return std::nullopt;
  ResourceRecord record;
  if (!readResourceRecord(reader, record) || !restIsWhole(reader, header) ||
      record.name != wildcardName() || record.type != kTypeNbstat || record.rrClass != kClassIn ||
      record.data.empty())
    return std::nullopt;
  const size_t count = record.data[0];
  if (record.data.size() - 1 < count * kNodeNameEntrySize)
    return std::nullopt;
  std::vector<NodeName> names(count);
  for (size_t i = 0; i < count; ++i) {
    const unsigned char *entry = record.data.data() + 1 + i * kNodeNameEntrySize;
    std::memcpy(names[i].name.data(), entry, names[i].name.size());
    names[i].flags = static_cast<uint16_t>(entry[16] << 8 | entry[17]);
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
