#include "ws2_32/resolver/MdnsLink.h"

#include "net/AnswerAddress.h"
#include "net/LookupCancellation.h"
#include "net/mdns/MdnsPackets.h"
#include "net/MulticastSockets.h"
#include "net/RandomBytes.h"

#include <arpa/inet.h>

namespace platform {

bool MdnsLink::isResponder(const Ipv4Interface &interface, uint32_t from, uint16_t fromPort) {
  return fromPort == mdns::kPort && isOnLinkPeer(interface, from);
}

std::optional<HostEntry> MdnsLink::byName(const std::string &name) {
  if (!mdns::isSingleLabel(name))
    return std::nullopt;
  const MdnsSettings settings = settings_();
  if (!settings.enabled)
    return std::nullopt;
  MulticastSockets sockets(settings.interfaces, mdns::kMulticastTtl);
  if (sockets.empty())
    return std::nullopt;
  // Random and never 0: responders answer multicast queries with id 0.
  const uint16_t id = randomQueryId();
  const std::optional<std::vector<unsigned char>> query = mdns::addressQuery(id, name);
  uint32_t group = 0;
  ::inet_pton(AF_INET, mdns::kGroup, &group);
  std::vector<uint32_t> addresses;
  const auto take = [&](const Ipv4Interface &interface, uint32_t from, uint16_t fromPort,
                        std::span<const unsigned char> packet) {
    if (!isResponder(interface, from, fromPort))
      return false;
    const std::optional<std::vector<uint32_t>> found = mdns::readAddressAnswer(packet, id, name);
    if (found)
      addresses = lanHostAddresses(*found);
    return !addresses.empty(); // nobody's address: as if it had not come
  };
  const auto start = MulticastSockets::Clock::now();
  sockets.send(group, mdns::kPort, *query);
  if (!sockets.receiveUntil(start + kRetryAfter, mdns::kMaxDatagram, take) &&
      !LookupCancellation::requested()) {
    sockets.send(group, mdns::kPort, *query);
    sockets.receiveUntil(start + kGiveUpAfter, mdns::kMaxDatagram, take);
  }
  if (addresses.empty())
    return std::nullopt;
  return HostEntry{name, {}, std::move(addresses)};
}

} // namespace platform
