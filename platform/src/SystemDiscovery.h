// WS-Discovery and multicast DNS as the system backends use them, with
// their switches: VELNOR_WSD=0 and VELNOR_MDNS=0 turn each off, read again
// at every use.
#pragma once

#include "discovery/DiscoveryCache.h"
#include "resolver/MdnsLink.h"

#include <vector>

namespace platform {

bool wsDiscoveryEnabled();
MdnsSettings systemMdnsSettings();

// The process's one discovery result, kept for DiscoveryCache::kKeepFor.
wsd::DiscoveryCache &systemDiscovery();

// The kept result, or nothing without a probe while WS-Discovery is off.
std::vector<wsd::DiscoveredComputer> discoveredComputers();

} // namespace platform
