#include "iphlpapi/ArpVerdict.h"

#include <linux/neighbour.h>
#include <linux/rtnetlink.h>

namespace {

namespace ahead = platform::ahead;

// The kernel keeps the entry's times in jiffies; what it reports may lag
// the clock here by a tick or two.
constexpr std::chrono::milliseconds kClockSlack{20};

bool failed(const platform::rtnl::Neighbour &entry) {
  return entry.state >= 0 && (entry.state & NUD_FAILED) != 0 && entry.sinceUpdate;
}

// When the resolution that failed began (the kernel stamps the entry when it
// goes INCOMPLETE, not when it fails).
ahead::Clock::time_point resolutionStart(const platform::rtnl::Neighbour &entry) {
  return ahead::Clock::now() - *entry.sinceUpdate;
}

std::optional<platform::rtnl::Neighbour> onLinkEntry(uint32_t address) {
  const auto socket = platform::rtnl::openQuerySocket();
  if (!socket)
    return std::nullopt;
  const auto route = platform::rtnl::routeTo(socket.get(), address);
  if (!route || route->type != RTN_UNICAST || route->viaGateway)
    return std::nullopt;
  return platform::rtnl::neighbour(socket.get(), route->interface, address);
}

} // namespace

void platform::noteIfUnreachable(uint32_t address, ahead::Clock::time_point attemptStart) {
  if (!ahead::enabled())
    return;
  const auto entry = onLinkEntry(address);
  if (entry && failed(*entry) && resolutionStart(*entry) + kClockSlack >= attemptStart)
    ahead::noteUnreachable(address, ahead::Clock::now());
}

bool platform::recentFailure(uint32_t address, const rtnl::Neighbour &entry) {
  if (!ahead::enabled() || !failed(entry))
    return false;
  const std::optional<ahead::Clock::time_point> noted = ahead::unreachableSince(address);
  return noted && ahead::Clock::now() - *noted < ahead::kTrustFor &&
         resolutionStart(entry) <= *noted + kClockSlack;
}

bool platform::recentlyUnreachable(uint32_t address) {
  if (!ahead::enabled())
    return false;
  const auto entry = onLinkEntry(address);
  return entry && recentFailure(address, *entry);
}
