#include "net/DnsPacket.h"

namespace platform::dns {

namespace {

// RFC 1035 §4.1.4: a length byte with both top bits set starts a two-byte
// pointer; 01 and 10 are reserved label types.
constexpr unsigned char kPointerBits = 0xc0;

} // namespace

bool PacketReader::u8(uint8_t &value) {
  if (at_ >= packet_.size())
    return false;
  value = packet_[at_++];
  return true;
}

bool PacketReader::u16(uint16_t &value) {
  if (at_ > packet_.size() || packet_.size() - at_ < 2)
    return false;
  value = static_cast<uint16_t>(packet_[at_] << 8 | packet_[at_ + 1]);
  at_ += 2;
  return true;
}

bool PacketReader::u32(uint32_t &value) {
  uint16_t high, low;
  if (!u16(high) || !u16(low))
    return false;
  value = uint32_t{high} << 16 | low;
  return true;
}

bool PacketReader::skip(size_t count) {
  std::span<const unsigned char> skipped;
  return bytes(count, skipped);
}

bool PacketReader::bytes(size_t count, std::span<const unsigned char> &out) {
  if (at_ > packet_.size() || packet_.size() - at_ < count)
    return false;
  out = packet_.subspan(at_, count);
  at_ += count;
  return true;
}

bool PacketReader::name(std::vector<std::string> &labels) {
  labels.clear();
  size_t at = at_;
  size_t limit = at_;
  size_t next = 0;
  bool jumped = false;
  size_t total = 0;
  for (;;) {
    if (at >= packet_.size())
      return false;
    const unsigned char length = packet_[at];
    if ((length & kPointerBits) == kPointerBits) {
      if (at + 1 >= packet_.size())
        return false;
      const size_t target = static_cast<size_t>(length & ~kPointerBits) << 8 | packet_[at + 1];
      if (target >= limit)
        return false;
      if (!jumped)
        next = at + 2;
      jumped = true;
      limit = target;
      at = target;
      continue;
    }
    if ((length & kPointerBits) != 0)
      return false;
    total += 1 + length;
    if (total > DNS_MAX_NAME_LENGTH || packet_.size() - at - 1 < length)
      return false;
    if (length == 0) {
      at_ = jumped ? next : at + 1;
      return true;
    }
    labels.emplace_back(reinterpret_cast<const char *>(packet_.data() + at + 1), length);
    at += 1 + length;
  }
}

bool PacketReader::header(Header &out) {
  return u16(out.id) && u16(out.flags) && u16(out.questions) && u16(out.answers) &&
         u16(out.authorities) && u16(out.additional);
}

bool PacketReader::record(Record &out) {
  uint16_t length;
  if (!name(out.owner) || !u16(out.type) || !u16(out.rrClass) || !u32(out.ttl) || !u16(length))
    return false;
  out.dataAt = at_;
  return bytes(length, out.data);
}

bool PacketReader::responseStart(uint16_t id, Header &out) {
  if (!header(out) || out.id != id || (out.flags & kFlagResponse) == 0 ||
      (out.flags & kFlagOpcodeMask) != 0)
    return false;
  std::vector<std::string> labels;
  for (uint16_t i = 0; i < out.questions; ++i)
    if (!name(labels) || !skip(4)) // QTYPE, QCLASS
      return false;
  return true;
}

std::string dottedName(const std::vector<std::string> &labels) {
  std::string name;
  for (const std::string &label : labels)
    name.append(name.empty() ? "" : ".").append(label);
  return name;
}

void appendU16(std::vector<unsigned char> &out, uint16_t value) {
  out.push_back(static_cast<unsigned char>(value >> 8));
  out.push_back(static_cast<unsigned char>(value));
}

void appendHeader(std::vector<unsigned char> &out, const Header &header) {
  for (uint16_t value : {header.id, header.flags, header.questions, header.answers,
                         header.authorities, header.additional})
    appendU16(out, value);
}

} // namespace platform::dns
