// One verdict per address: a share listing whose connection failed because
// the address does not answer ARP, and the MAC lookup for the same address a
// moment later, are one fact, and the second does not wait for ARP again.
// The kernel's neighbour table holds the verdict (a FAILED entry and when it
// failed), for every program alike.
#pragma once

#include "iphlpapi/RouteQueries.h"

#include <cstdint>

namespace platform {

// Whether the entry records a resolution the kernel gave up within the
// work ahead's trust time (ahead::kTrustFor) and during the current walk of
// the browse list. Always false with the work ahead switched off.
bool recentFailure(const rtnl::Neighbour &entry);

// The same for the address (network order), when it is on a local subnet.
bool recentlyUnreachable(uint32_t address);

} // namespace platform
