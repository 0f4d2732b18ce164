// Multicast DNS datagrams (UDP port 5353, RFC 6762): the A query for
// NAME.local the resolver sends, and reading the answer. A received packet is
// trusted for nothing: every count, length and compression pointer is checked
// against the bytes that arrived.
#pragma once

#include "net/DnsPacket.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform::mdns {

constexpr uint16_t kPort = 5353;
constexpr char kGroup[] = "224.0.0.251";
// A datagram may fill a jumbo frame (RFC 6762 §17); nothing larger is read.
constexpr size_t kMaxDatagram = 9000;
// The IP TTL mDNS senders use (RFC 6762 §11); the group is link-local
// either way.
constexpr int kMulticastTtl = 255;

// A standard query (no flags) with one question for `labels` and `type`,
// class IN.
std::vector<unsigned char> queryPacket(uint16_t id, const std::vector<std::string> &labels,
                                       uint16_t type);

// Every record of every section of a response to `id`, each class without
// the cache-flush bit. std::nullopt for a query, another id, an error code,
// or a malformed or truncated packet.
std::optional<std::vector<dns::Record>> readResponse(std::span<const unsigned char> packet,
                                                     uint16_t id);

// Whether a name gets asked as NAME.local: one DNS label of 1 to 63 letters,
// digits, hyphens or underscores, without a dot.
bool isSingleLabel(std::string_view name);

// A standard query (no flags) for the A record of `label`.local, asked as a
// legacy unicast query: the responder answers to the sender's port.
// std::nullopt when `label` is no single label.
std::optional<std::vector<unsigned char>> addressQuery(uint16_t id, std::string_view label);

// The IPv4 addresses (network byte order, in the answer's order) that a
// response to `id` gives for `label`.local, from any of its sections.
// std::nullopt for anything else: a query, another id, an error code, a
// malformed or truncated packet, or no A record for that name.
std::optional<std::vector<uint32_t>> readAddressAnswer(std::span<const unsigned char> packet,
                                                       uint16_t id, std::string_view label);

} // namespace platform::mdns
