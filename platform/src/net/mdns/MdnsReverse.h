// Multicast DNS reverse lookups: the PTR query for an IPv4 address's
// in-addr.arpa name, and reading the host name an answer gives. A received
// packet is trusted for nothing, as for the address query.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform::mdns {

// A standard query for the PTR record of `address` (network byte order),
// asked as a legacy unicast query.
std::vector<unsigned char> reverseQuery(uint16_t id, uint32_t address);

// The host name a response to `id` gives for `address`, without a trailing
// ".local". std::nullopt for anything else: a query, another id, an error
// code, a malformed or truncated packet, or no PTR record for that address.
std::optional<std::string> readReverseAnswer(std::span<const unsigned char> packet, uint16_t id,
                                             uint32_t address);

} // namespace platform::mdns
