#include "net/AnswerAddress.h"

#include <netinet/in.h>

namespace platform {

bool isLanHostAddress(uint32_t address) {
  const uint32_t host = ntohl(address);
  // 240/4 other than the limited broadcast stays: Linux routes it as
  // ordinary unicast, so an answer there reaches one host like any other.
  return host != INADDR_ANY && host != INADDR_BROADCAST && !IN_MULTICAST(host) &&
         (host >> 24) != IN_LOOPBACKNET;
}

std::vector<uint32_t> lanHostAddresses(const std::vector<uint32_t> &addresses) {
  std::vector<uint32_t> kept;
  for (uint32_t address : addresses)
    if (isLanHostAddress(address))
      kept.push_back(address);
  return kept;
}

bool isOnLinkPeer(const Ipv4Interface &interface, uint32_t address) {
  return interface.netmask != 0 &&
         (address & interface.netmask) == (interface.address & interface.netmask) &&
         address != interface.address;
}

} // namespace platform
