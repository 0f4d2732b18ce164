#include "iphlpapi/ArpVerdict.h"

#include "common/WorkAhead.h"

#include <linux/neighbour.h>
#include <linux/rtnetlink.h>

bool platform::recentFailure(const rtnl::Neighbour &entry) {
  if (!ahead::enabled() || entry.state < 0 || (entry.state & NUD_FAILED) == 0 ||
      !entry.sinceUpdate || *entry.sinceUpdate >= ahead::kTrustFor)
    return false;
  return ahead::Clock::now() - *entry.sinceUpdate >= ahead::walkStartedAt();
}

bool platform::recentlyUnreachable(uint32_t address) {
  if (!ahead::enabled())
    return false;
  const auto socket = rtnl::openQuerySocket();
  if (!socket)
    return false;
  const auto route = rtnl::routeTo(socket.get(), address);
  if (!route || route->type != RTN_UNICAST || route->viaGateway)
    return false;
  const auto entry = rtnl::neighbour(socket.get(), route->interface, address);
  return entry && recentFailure(*entry);
}
