// A datagram to every host of one local subnet, and the wait for one host's
// ARP answer: what Wake-on-LAN needs. Neither needs privileges.
#include "iphlpapi/ResolutionStart.h"
#include "iphlpapi/RouteQueries.h"

#include "net/Sockets.h"

#include <platform/lan.h>

#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <thread>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kAskEvery{1000};
// The kernel keeps the time of an answer in clock ticks; an answer this
// close before the call still counts as one to it.
constexpr std::chrono::milliseconds kAnswerSlack{1000};
constexpr std::chrono::milliseconds kLookEvery{50};

uint32_t broadcastOf(const LocalSubnet &subnet) {
  if (subnet.prefixLength >= 31 || subnet.prefixLength <= 0)
    return INADDR_BROADCAST;
  const uint32_t hostBits = ~uint32_t{0} >> subnet.prefixLength;
  return htonl(ntohl(subnet.address) | hostBits);
}

} // namespace

int broadcastOnSubnet(const LocalSubnet &subnet, uint16_t port,
                      const std::vector<unsigned char> &payload) {
  const OwnedSocket owned(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!owned.ok())
    return errno;
  const int on = 1;
  if (::setsockopt(owned.fd(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)
    return errno;
  // The limited broadcast address would otherwise leave by the default
  // route's interface; a directed one is routed to the subnet's anyway, so
  // a kernel that refuses this to the unprivileged (before 5.7) is no loss.
  if (::setsockopt(owned.fd(), SOL_SOCKET, SO_BINDTODEVICE, subnet.interfaceName.c_str(),
                   static_cast<socklen_t>(subnet.interfaceName.size())) != 0 &&
      errno != EPERM)
    return errno;
  sockaddr_in from{};
  from.sin_family = AF_INET;
  from.sin_addr.s_addr = subnet.address;
  if (::bind(owned.fd(), reinterpret_cast<const sockaddr *>(&from), sizeof from) != 0)
    return errno;
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = broadcastOf(subnet);
  if (::sendto(owned.fd(), payload.data(), payload.size(), 0,
               reinterpret_cast<const sockaddr *>(&to), sizeof to) < 0)
    return errno;
  return 0;
}

std::optional<Clock::time_point> waitForArpAnswer(uint32_t address,
                                                  std::chrono::milliseconds limit) {
  const auto started = Clock::now();
  const auto deadline = started + limit;
  auto socket = rtnl::openQuerySocket();
  if (!socket)
    return std::nullopt;
  const auto route = rtnl::routeTo(socket.get(), address);
  if (!route || route->type != RTN_UNICAST || route->viaGateway)
    return std::nullopt;
  Clock::time_point lastAsked{};
  for (;;) {
    const auto now = Clock::now();
    if (const auto entry = rtnl::neighbour(socket.get(), route->interface, address);
        entry && entry->resolved() && (entry->state & NUD_REACHABLE) != 0 &&
        entry->sinceConfirmed && now - *entry->sinceConfirmed >= started - kAnswerSlack)
      return now - *entry->sinceConfirmed;
    if (now >= deadline)
      return std::nullopt;
    // A missing or failed entry starts a request at once; a stale one is
    // probed after the kernel's delay_first_probe_time.
    if (now - lastAsked >= kAskEvery) {
      sendDiscardDatagram(address, 0);
      lastAsked = now;
    }
    std::this_thread::sleep_for(std::min<Clock::duration>(kLookEvery, deadline - now));
  }
}

} // namespace platform
