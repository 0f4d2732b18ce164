// NetBIOS name service datagrams (UDP port 137, RFC 1002 §4.2): building the
// two requests the resolver sends and reading the answers. Nothing here trusts a received
// packet: every count, length and name pointer is checked against the bytes
// that arrived, and whatever does not add up is reported as no answer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::netbios {

// A 16-byte NetBIOS name: 15 name bytes padded with spaces, then the suffix.
using Name = std::array<unsigned char, 16>;

constexpr unsigned char kWorkstationSuffix = 0x00;

// The NetBIOS form of a host name: ASCII letters upper-cased, padded to 15
// bytes, suffix appended. Only names of 1 to 15 bytes without a dot have one.
std::optional<Name> hostName(std::string_view name, unsigned char suffix = kWorkstationSuffix);

// The wildcard name "*" that a node status request asks for.
Name wildcardName();

// The name as it travels: a 0x20 length byte, the 32 letters of its
// first-level encoding and the empty scope (34 bytes).
std::array<unsigned char, 34> encodedName(const Name &name);

// A name query for `name`; broadcast sets the B flag. RD is always set.
std::vector<unsigned char> nameQuery(uint16_t transactionId, const Name &name, bool broadcast);

// A node status request (NBSTAT) for the wildcard name.
std::vector<unsigned char> nodeStatusRequest(uint16_t transactionId);

struct NameQueryAnswer {
  bool positive = false;           // false: a negative answer (RCODE set)
  std::vector<uint32_t> addresses; // network byte order, in the order given
};

// Reads a name query response to `transactionId` about `name`. std::nullopt
// for anything else: a request, another transaction, another name, a
// malformed or truncated packet, a positive answer without addresses.
std::optional<NameQueryAnswer> readNameQueryAnswer(std::span<const unsigned char> packet,
                                                   uint16_t transactionId, const Name &name);

struct NodeName {
  Name name;
  uint16_t flags = 0; // NAME_FLAGS: G (0x8000) marks a group name
  bool group() const { return (flags & 0x8000) != 0; }
};

// Reads a positive node status response to `transactionId`. std::nullopt for
// anything else, including negative or malformed answers.
std::optional<std::vector<NodeName>> readNodeStatusAnswer(std::span<const unsigned char> packet,
                                                          uint16_t transactionId);

// The machine name a node status answer gives: the first unique name with
// the workstation suffix, without its padding. std::nullopt when none.
std::optional<std::string> workstationName(const std::vector<NodeName> &names);

} // namespace platform::netbios
