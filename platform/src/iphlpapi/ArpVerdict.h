// One verdict per address within a search: a share listing of the search whose
// connection failed because the address does not answer ARP, and the MAC
// lookup for the same address a moment later, are one fact, and the second
// does not wait for ARP again.
//
// Only this process's own current search gives that verdict: its step notes
// the address when the kernel gave up resolving it during the step's own
// connection attempt. A FAILED neighbour entry alone is not enough: any
// program may have made it, at any time, and a host may have taken the
// address since. Before any search, and for an address no step of the current
// search saw fail, SendARP and a share listing ask the network.
#pragma once

#include "common/WorkAhead.h"
#include "iphlpapi/RouteQueries.h"

#include <cstdint>

namespace platform {

// After a step's connection to the address (network order) failed: notes
// the address for the current search when its neighbour entry is FAILED from
// a resolution that began at or after `attemptStart`.
void noteIfUnreachable(uint32_t address, ahead::Clock::time_point attemptStart);

// Whether the current search saw the address fail within the work ahead's
// trust time (ahead::kTrustFor), and the kernel's entry is still that
// failure (no resolution began since). Always false with the work ahead
// switched off.
bool recentFailure(uint32_t address, const rtnl::Neighbour &entry);

// The same, asking the kernel for the entry, when the address is on a local
// subnet.
bool recentlyUnreachable(uint32_t address);

} // namespace platform
