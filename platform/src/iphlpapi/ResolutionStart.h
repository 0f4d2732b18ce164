// Starting an ARP resolution without raw sockets, and how long the kernel
// takes to give one up.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace platform {

// Sends one empty UDP datagram to the discard port (9) of `destination`,
// from `source` when it is not 0. The kernel has to resolve the next hop
// before the datagram can leave, so this starts an ARP request when the
// neighbour entry is missing or failed. 0, or the errno of the failure.
int sendDiscardDatagram(uint32_t destination, uint32_t source);

// How long the kernel keeps an entry INCOMPLETE on `interfaceName` before it
// marks it FAILED: (mcast_solicit + app_solicit) x retrans_time_ms, read from
// the interface's neighbour settings; 3 x 1 s, the kernel's defaults, when
// they cannot be read.
std::chrono::milliseconds resolutionGiveUpTime(const std::string &interfaceName);

// How long the kernel takes to confirm or give up an entry it holds but has
// not seen confirmed within its reachable time, once traffic needs it:
// delay_first_probe_time, then ucast_solicit x retrans_time_ms (5 s + 3 x 1 s
// by default).
std::chrono::milliseconds reconfirmationTime(const std::string &interfaceName);

} // namespace platform
