// The packet layout DNS (RFC 1035 §4.1), multicast DNS (RFC 6762 §18) and
// the NetBIOS name service (RFC 1002 §4.2) share: a 12-byte header,
// questions, then resource records, all big-endian, every name a run of
// length-prefixed labels that may end in a compression pointer. What differs
// between them stays with their users (NetBIOS's B flag and first-level
// encoded names, mDNS's cache-flush bit).
//
// A received packet is never trusted: every read is checked against the
// bytes that arrived, a name may take at most DNS_MAX_NAME_LENGTH bytes, and
// each compression pointer must lead before where the previous one led (or
// before the name itself), so pointers cannot loop.
#pragma once

#include <windns.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace platform::dns {

constexpr size_t kHeaderSize = 12;

// The header's flags word (RFC 1035 §4.1.1: QR, OPCODE, AA TC RD RA, Z,
// RCODE; RFC 1002 §4.2.1.1 calls QR "R" and the flag bits NM_FLAGS).
constexpr uint16_t kFlagResponse = 0x8000;
constexpr uint16_t kFlagOpcodeMask = 0x7800; // 0: a standard query
constexpr uint16_t kFlagRecursionDesired = 0x0100;
constexpr uint16_t kFlagBroadcast = 0x0010; // NetBIOS only: B, sent by broadcast
constexpr uint16_t kFlagRcodeMask = 0x000f;

constexpr uint16_t kTypeA = 1;    // RFC 1035 §3.2.2
constexpr uint16_t kTypePtr = 12; // RFC 1035 §3.2.2
constexpr uint16_t kClassIn = 1;  // RFC 1035 §3.2.4

struct Header {
  uint16_t id = 0;
  uint16_t flags = 0;
  uint16_t questions = 0;
  uint16_t answers = 0;
  uint16_t authorities = 0;
  uint16_t additional = 0;

  uint16_t rcode() const { return flags & kFlagRcodeMask; }
  // The records of all three sections after the questions.
  size_t records() const { return size_t{answers} + authorities + additional; }
};

// A resource record (RFC 1035 §4.1.3).
struct Record {
  std::vector<std::string> owner; // labels
  uint16_t type = 0;
  uint16_t rrClass = 0;
  uint32_t ttl = 0;
  size_t dataAt = 0; // where the data starts in the packet
  std::span<const unsigned char> data;
};

// Reads a packet from a position on. Each call either reads all it was asked
// for and moves past it, or returns false; after a false the reader is spent.
class PacketReader {
public:
  explicit PacketReader(std::span<const unsigned char> packet, size_t at = 0)
      : packet_(packet), at_(at) {}

  size_t position() const { return at_; }

  bool u8(uint8_t &value);
  bool u16(uint16_t &value);
  bool u32(uint32_t &value);
  bool skip(size_t count);
  bool bytes(size_t count, std::span<const unsigned char> &out);
  // The labels of the name here; past the name where it stands in place.
  bool name(std::vector<std::string> &labels);
  bool header(Header &out);
  bool record(Record &out);

  // The header of a response to `id` with the standard query opcode, and
  // the questions the responder repeated, skipped. The RCODE is left to the
  // caller: NetBIOS takes a negative answer, mDNS does not.
  bool responseStart(uint16_t id, Header &out);

private:
  std::span<const unsigned char> packet_;
  size_t at_;
};

// The labels joined by dots.
std::string dottedName(const std::vector<std::string> &labels);

void appendU16(std::vector<unsigned char> &out, uint16_t value);
void appendHeader(std::vector<unsigned char> &out, const Header &header);

} // namespace platform::dns
