// What an address given in an answer from the network may be. NetBIOS, mDNS
// and WS-Discovery answers come from anyone on the LAN, so an address they
// give is taken only when some host on the LAN could have it; the hosts file
// and DNS are the administrator's and are not judged here.
#pragma once

#include "net/Ipv4Interface.h"

#include <cstdint>
#include <vector>

namespace platform {

// False for addresses no single LAN host has: 0.0.0.0 (this host on Linux),
// loopback 127/8, multicast 224/4 and the limited broadcast. A connection to
// any of them would reach this machine itself or nobody in particular.
bool isLanHostAddress(uint32_t address);

// The answer's addresses without those, in their order. Empty means the
// answer must be treated as if it had not come.
std::vector<uint32_t> lanHostAddresses(const std::vector<uint32_t> &addresses);

// Whether `address` is inside the interface's subnet, other than the
// interface's own address. False when the interface has no netmask.
bool isOnLinkPeer(const Ipv4Interface &interface, uint32_t address);

} // namespace platform
