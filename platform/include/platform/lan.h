// What a LAN host search needs beyond the Win32 calls: where the browse list's
// computers came from, the machine's own subnets, an ARP sweep of a range of
// addresses, the names of addresses with the source that gave each, a
// datagram to a subnet's broadcast address and the wait for a host's ARP
// answer.
// IPv4 addresses are in network byte order. None of this needs privileges.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Which sources listed a computer name (ASCII case ignored) in this
// process: bits of kListedByBrowseList (the NetBIOS browse list) and
// kListedByWsDiscovery. 0 for a name neither listed.
enum : unsigned { kListedByBrowseList = 1, kListedByWsDiscovery = 2 };
VELPLATFORM_API unsigned computerSources(const std::string &computerName);

// Why the user's credentials file for share listings
// ($XDG_CONFIG_HOME/velnor/credentials) is not used (it is not a regular
// file of the user's, or group or others may read it), or empty when it is
// used or there is none.
VELPLATFORM_API std::string credentialsFileRefusal();

struct LocalSubnet {
  std::string interfaceName;
  uint32_t address = 0; // this machine's address on it
  int prefixLength = 0;
};

// The IPv4 subnets of the interfaces that are up and not loopback, in the
// system's order.
VELPLATFORM_API std::vector<LocalSubnet> localSubnets();

// How much of a sweep is under way at once: ARP resolutions the kernel has
// not settled yet (each is a neighbour-table entry; a quarter of the
// kernel's default hard limit of 1024), and the gap between two requests.
constexpr size_t kSweepResolutionsInFlight = 256;
constexpr int kSweepRequestGapMicroseconds = 500;

struct SweptHost {
  uint32_t address = 0;
  std::vector<unsigned char> mac;
};

// How a sweep takes an entry the kernel holds resolved already. Trusted: as
// it is, at once, although a host switched off since may stay in the table
// for as long as the table has room. Confirmed: only when an answer
// confirmed it within the kernel's reachable time; any other is asked again
// and counts once it answers, which takes up to delay_first_probe_time plus
// ucast_solicit requests (8 s by default).
enum class HeldEntries { Trusted, Confirmed };

// The hosts of `addresses` that answer ARP, in the order of `addresses`:
// each one on a local subnet (no gateway) whose neighbour entry is resolved
// already (as `held` says) or gets resolved within the wait for the kernel's
// second request. This machine's own addresses and anything off-link are
// passed over. One UDP socket and one netlink socket; `progress` (done,
// total) after each request and at the end; `found` with each host as soon
// as it answers, so that its naming need not wait for the end of the sweep.
VELPLATFORM_API std::vector<SweptHost>
sweepNeighbours(const std::vector<uint32_t> &addresses,
                const std::function<void(size_t, size_t)> &progress = {},
                const std::function<void(const SweptHost &)> &found = {},
                HeldEntries held = HeldEntries::Trusted);

enum class NameSource { None, HostsOrDns, Netbios, Mdns };

struct AddressName {
  std::string name; // in the ANSI code page, as gethostbyaddr gives names
  NameSource source = NameSource::None;
};

// How many addresses are named at once; each naming holds at most two
// sockets.
constexpr size_t kNamingsAtOnce = 16;

// The name of each address (parallel to `addresses`): the hosts file or DNS
// first, then a NetBIOS node status request and a multicast DNS reverse
// query at the same time, NetBIOS's answer first. VELNOR_NETBIOS=0 and
// VELNOR_MDNS=0 leave those steps out.
VELPLATFORM_API std::vector<AddressName> nameAddresses(const std::vector<uint32_t> &addresses);

// Sends `payload` as one UDP datagram to `port` on the broadcast address of
// `subnet`, from this machine's address on it and out of its interface only
// (a subnet of /31 or /32 has no broadcast address: 255.255.255.255 there).
// 0, or the errno of the failure.
VELPLATFORM_API int broadcastOnSubnet(const LocalSubnet &subnet, uint16_t port,
                                      const std::vector<unsigned char> &payload);

// Waits up to `limit` until `address`, on a local subnet, answers ARP: its
// neighbour entry is reachable, confirmed by an answer newer than the call
// (give or take a second). An entry held from before does not count; while there is no fresh
// answer, a datagram to the discard port every second keeps the kernel asking. The time the answer
// was seen, or std::nullopt.
VELPLATFORM_API std::optional<std::chrono::steady_clock::time_point>
waitForArpAnswer(uint32_t address, std::chrono::milliseconds limit);

} // namespace platform
