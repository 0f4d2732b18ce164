// SendARP on Linux: the kernel's neighbour table answers when it holds a
// resolved entry; otherwise the kernel resolves the address and the call
// waits for the outcome through a neighbour-table subscription.
//
// - The destination must be on a local subnet: the kernel's route to it must
//   be a unicast route without a gateway. Anything else (no route, a gateway
//   route, broadcast, multicast) fails at once, before anything is sent.
// - An address of this machine answers with the MAC of the interface that
//   holds it (all zeros for loopback).
// - A source address other than 0 must be one of this machine's addresses
//   (ERROR_NOT_FOUND otherwise), and the destination must be reached through
//   the interface that holds it (ERROR_BAD_NET_NAME otherwise).
// - An address that a step of the current search of the browse list saw fail
//   moments ago fails at once (iphlpapi/ArpVerdict.h).
// - The request is triggered by a UDP datagram to the discard port, which
//   needs no privileges. The wait ends with the kernel's own verdict, or a
//   second after the kernel should have given up.
//
// Every call opens its own netlink sockets, so calls from several threads do
// not share anything.
#include "iphlpapi/ArpVerdict.h"
#include "iphlpapi/IphlpapiBackends.h"
#include "iphlpapi/NeighbourWatch.h"
#include "iphlpapi/ResolutionStart.h"
#include "iphlpapi/RouteQueries.h"

#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <net/if.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

using platform::rtnl::Neighbour;
using platform::rtnl::NeighbourWatch;

constexpr std::chrono::milliseconds kWaitBeyondGiveUp{1000};
constexpr std::chrono::milliseconds kLongestWait{60000};

DWORD copyAddress(const std::vector<unsigned char> &address, void *macAddress,
                  ULONG *physicalAddressLength) {
  if (address.empty())
    return ERROR_BAD_NET_NAME;
  if (address.size() > *physicalAddressLength)
    return ERROR_BUFFER_OVERFLOW;
  std::memcpy(macAddress, address.data(), address.size());
  *physicalAddressLength = static_cast<ULONG>(address.size());
  return NO_ERROR;
}

class SystemArp final : public platform::ArpBackend {
public:
  DWORD sendArp(uint32_t destination, uint32_t source, void *macAddress,
                ULONG *physicalAddressLength) override {
    auto socket = platform::rtnl::openQuerySocket();
    if (!socket)
      return ERROR_GEN_FAILURE;
    std::optional<int> sourceInterface;
    if (source != 0) {
      sourceInterface = platform::rtnl::interfaceHolding(socket.get(), source);
      if (!sourceInterface)
        return ERROR_NOT_FOUND;
    }
    // The kernel routes 0.0.0.0 to this machine; it names no host.
    if (destination == 0)
      return ERROR_BAD_NET_NAME;
    const auto route = platform::rtnl::routeTo(socket.get(), destination);
    if (!route)
      return ERROR_BAD_NET_NAME;
    if (route->type == RTN_LOCAL)
      return ownAddress(socket.get(), destination, route->interface, macAddress,
                        physicalAddressLength);
    if (route->type != RTN_UNICAST || route->viaGateway ||
        (sourceInterface && *sourceInterface != route->interface))
      return ERROR_BAD_NET_NAME;

    if (auto entry = platform::rtnl::neighbour(socket.get(), route->interface, destination)) {
      if (entry->resolved())
        return copyAddress(entry->linkAddress, macAddress, physicalAddressLength);
      if (platform::recentFailure(destination, *entry))
        return ERROR_BAD_NET_NAME;
    }

    Neighbour resolved;
    const DWORD result = resolve(socket.get(), route->interface, destination, source, resolved);
    if (result != NO_ERROR)
      return result;
    return copyAddress(resolved.linkAddress, macAddress, physicalAddressLength);
  }

private:
  static DWORD ownAddress(nl_sock *socket, uint32_t address, int routeInterface, void *macAddress,
                          ULONG *physicalAddressLength) {
    // Local routes point at the loopback interface; the address itself says
    // which interface it belongs to. Loopback addresses other than 127.0.0.1
    // are held by no interface and stay with the route's.
    const int holder = platform::rtnl::interfaceHolding(socket, address).value_or(routeInterface);
    const auto info = platform::rtnl::interfaceInfo(socket, holder);
    if (!info)
      return ERROR_BAD_NET_NAME;
    return copyAddress(info->hardwareAddress, macAddress, physicalAddressLength);
  }

  static DWORD resolve(nl_sock *socket, int interface, uint32_t destination, uint32_t source,
                       Neighbour &entry) {
    const auto info = platform::rtnl::interfaceInfo(socket, interface);
    if (!info)
      return ERROR_GEN_FAILURE;
    if ((info->flags & (IFF_NOARP | IFF_LOOPBACK)) != 0)
      return ERROR_BAD_NET_NAME;

    // Subscribe before anything can change the entry, then look once more:
    // it may have been resolved since the first look.
    NeighbourWatch watch(interface, destination);
    if (!watch.subscribed())
      return ERROR_GEN_FAILURE;
    if (auto current = platform::rtnl::neighbour(socket, interface, destination);
        current && current->resolved()) {
      entry = std::move(*current);
      return NO_ERROR;
    }

    if (const int error = platform::sendDiscardDatagram(destination, source); error != 0)
      return error == ENOMEM || error == ENOBUFS || error == EMFILE || error == ENFILE
                 ? ERROR_GEN_FAILURE
                 : ERROR_BAD_NET_NAME;

    const auto deadline =
        std::chrono::steady_clock::now() +
        std::min(platform::resolutionGiveUpTime(info->name) + kWaitBeyondGiveUp, kLongestWait);
    for (;;) {
      switch (watch.wait(deadline, entry)) {
      case NeighbourWatch::Outcome::Resolved:
        return NO_ERROR;
      case NeighbourWatch::Outcome::Failed:
      case NeighbourWatch::Outcome::TimedOut:
        return ERROR_BAD_NET_NAME;
      case NeighbourWatch::Outcome::Broken:
        return ERROR_GEN_FAILURE;
      case NeighbourWatch::Outcome::Lost:
        // The datagram already moved the entry to INCOMPLETE, so a FAILED
        // entry here is this request's own failure.
        if (auto current = platform::rtnl::neighbour(socket, interface, destination)) {
          if (current->resolved()) {
            entry = std::move(*current);
            return NO_ERROR;
          }
          if (current->state >= 0 && (current->state & NUD_FAILED) != 0)
            return ERROR_BAD_NET_NAME;
        }
        break;
      }
    }
  }
};

} // namespace

platform::ArpBackend &platform::systemArp() {
  static SystemArp arp;
  return arp;
}
