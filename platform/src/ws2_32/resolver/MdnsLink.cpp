#include "ws2_32/resolver/MdnsLink.h"

#include "net/LookupCancellation.h"
#include "net/mdns/MdnsPackets.h"
#include "net/MulticastSockets.h"

#include <arpa/inet.h>

#include <atomic>
#include <random>

namespace platform {

namespace {

constexpr uint16_t kMdnsPort = 5353;
constexpr char kMdnsGroup[] = "224.0.0.251";
// mDNS datagrams may fill a jumbo frame; nothing larger is read.
constexpr size_t kMaxDatagram = 9000;
// The hop limit mDNS senders use; the group is link-local either way.
constexpr int kMulticastTtl = 255;

uint16_t nextQueryId() {
  static std::atomic<uint16_t> next{static_cast<uint16_t>(std::random_device{}())};
  uint16_t id = next.fetch_add(1, std::memory_order_relaxed);
  // Responders answer multicast queries with id 0; ours must differ.
  return id != 0 ? id : next.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

std::optional<HostEntry> MdnsLink::byName(const std::string &name) {
  if (!mdns::isSingleLabel(name))
    return std::nullopt;
  const MdnsSettings settings = settings_();
  if (!settings.enabled)
    return std::nullopt;
  MulticastSockets sockets(settings.interfaces, kMulticastTtl);
  if (sockets.empty())
    return std::nullopt;
  const uint16_t id = nextQueryId();
  const std::optional<std::vector<unsigned char>> query = mdns::addressQuery(id, name);
  uint32_t group = 0;
  ::inet_pton(AF_INET, kMdnsGroup, &group);
  std::vector<uint32_t> addresses;
  const auto take = [&](const Ipv4Interface &, uint32_t, std::span<const unsigned char> packet) {
    std::optional<std::vector<uint32_t>> found = mdns::readAddressAnswer(packet, id, name);
    if (found)
      addresses = std::move(*found);
    return found.has_value();
  };
  const auto start = MulticastSockets::Clock::now();
  sockets.send(group, kMdnsPort, *query);
  if (!sockets.receiveUntil(start + kRetryAfter, kMaxDatagram, take) &&
      !LookupCancellation::requested()) {
    sockets.send(group, kMdnsPort, *query);
    sockets.receiveUntil(start + kGiveUpAfter, kMaxDatagram, take);
  }
  if (addresses.empty())
    return std::nullopt;
  return HostEntry{name, {}, std::move(addresses)};
}

} // namespace platform
