// The process's one WS-Discovery result, which both the resolver and the
// browse list read, as Function Discovery serves every program on Windows.
#pragma once

#include "net/wsd/DiscoveryCache.h"

#include <vector>

namespace platform {

// This process's own (a forked child makes its own on first use).
wsd::DiscoveryCache &systemDiscovery();

// The kept result, or nothing without a probe while WS-Discovery is off.
std::vector<wsd::DiscoveredComputer> discoveredComputers();

} // namespace platform
