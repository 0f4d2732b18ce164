// An ARP sweep without raw sockets: a UDP datagram to the discard port of
// each address makes the kernel resolve it (as SendARP does), and the
// neighbour table, read whole every few milliseconds, tells which entries
// got a link-layer address. At most kSweepResolutionsInFlight entries are
// unsettled at a time, so a sweep never crowds other entries out of the
// kernel's table; an entry counts as settled once resolved or failed, or
// when the kernel should long have given it up. An entry the kernel holds
// from before may be taken as it is, or only once an answer confirms it:
// a host switched off stays in a small table for good, unconfirmed.
#include "iphlpapi/IphlpapiBackends.h"
#include "iphlpapi/ResolutionStart.h"
#include "iphlpapi/RouteQueries.h"

#include "net/Sockets.h"

#include <platform/lan.h>

#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netlink/netlink.h>
#include <netlink/route/neighbour.h>
#include <sys/socket.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <set>
#include <thread>

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// The kernel repeats an unanswered request after a second (retrans_time_ms);
// a host that answers either of the first two is found.
constexpr std::chrono::milliseconds kAnswerWait{1100};
constexpr std::chrono::milliseconds kTableReadEvery{5};
// Beyond the kernel's own give-up time, as SendARP waits.
constexpr std::chrono::milliseconds kWaitBeyondGiveUp{1000};

struct Unsettled {
  Clock::time_point answerBy;  // not found unless it answered by then
  Clock::time_point settledBy; // counted as settled from then on
};

// Confirmed within the kernel's reachable time, or never in doubt.
bool confirmed(const rtnl::Neighbour &entry) {
  return entry.resolved() && (entry.state & (NUD_REACHABLE | NUD_PERMANENT | NUD_NOARP)) != 0;
}

// Reads the neighbour table; hands resolved and failed IPv4 entries on.
template <class Take> void readTable(nl_sock *socket, Take &&take) {
  nl_cache *table = nullptr;
  if (rtnl_neigh_alloc_cache(socket, &table) < 0)
    return;
  for (nl_object *object = nl_cache_get_first(table); object != nullptr;
       object = nl_cache_get_next(object)) {
    auto *entry = reinterpret_cast<rtnl_neigh *>(object);
    nl_addr *destination = rtnl_neigh_get_dst(entry);
    if (rtnl_neigh_get_family(entry) != AF_INET || destination == nullptr ||
        nl_addr_get_len(destination) != sizeof(uint32_t) ||
        (rtnl_neigh_get_flags(entry) & NTF_PROXY) != 0)
      continue;
    uint32_t address = 0;
    std::memcpy(&address, nl_addr_get_binary_addr(destination), sizeof address);
    rtnl::Neighbour neighbour;
    neighbour.state = rtnl_neigh_get_state(entry);
    if (nl_addr *link = rtnl_neigh_get_lladdr(entry)) {
      const auto *first = static_cast<const unsigned char *>(nl_addr_get_binary_addr(link));
      neighbour.linkAddress.assign(first, first + nl_addr_get_len(link));
    }
    take(address, neighbour);
  }
  nl_cache_free(table);
}

} // namespace

std::vector<LocalSubnet> localSubnets() {
  std::vector<LocalSubnet> subnets;
  for (const Ipv4Interface &interface : upIpv4Interfaces()) {
    if (interface.loopback)
      continue;
    char name[IF_NAMESIZE] = {};
    LocalSubnet subnet;
    subnet.interfaceName =
        ::if_indextoname(static_cast<unsigned>(interface.index), name) ? name : std::string();
    subnet.address = interface.address;
    subnet.prefixLength = std::popcount(interface.netmask);
    subnets.push_back(subnet);
  }
  return subnets;
}

std::vector<SweptHost> sweepNeighbours(const std::vector<uint32_t> &addresses,
                                       const std::function<void(size_t, size_t)> &progress,
                                       const std::function<void(const SweptHost &)> &announce,
                                       HeldEntries held) {
  const auto answered = [&](const rtnl::Neighbour &entry) {
    return held == HeldEntries::Trusted ? entry.resolved() : confirmed(entry);
  };
  const auto report = [&](size_t done) {
    if (progress)
      progress(done, addresses.size());
  };
  auto socket = rtnl::openQuerySocket();
  const OwnedSocket datagrams(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!socket || !datagrams.ok()) {
    report(addresses.size());
    return {};
  }
  std::map<uint32_t, std::vector<unsigned char>> found;
  const auto keep = [&](uint32_t address, const std::vector<unsigned char> &mac) {
    if (mac.empty() || !found.emplace(address, mac).second)
      return;
    if (announce)
      announce({address, mac});
  };
  std::map<uint32_t, Unsettled> unsettled;
  std::map<int, std::chrono::milliseconds> giveUpTimes; // by interface index
  const auto settle = [&] {
    readTable(socket.get(), [&](uint32_t address, const rtnl::Neighbour &entry) {
      const auto waiting = unsettled.find(address);
      if (waiting == unsettled.end())
        return;
      if (answered(entry))
        keep(address, entry.linkAddress);
      if (answered(entry) || (entry.state >= 0 && (entry.state & NUD_FAILED) != 0))
        unsettled.erase(waiting);
    });
    const auto now = Clock::now();
    std::erase_if(unsettled, [&](const auto &item) { return item.second.settledBy <= now; });
  };

  // Entries the kernel holds resolved already answer at once; those held
  // without a recent confirmation, when they are to be confirmed, get the
  // time the kernel takes to ask again.
  std::map<uint32_t, std::vector<unsigned char>> resolvedBefore;
  std::set<uint32_t> toReconfirm;
  readTable(socket.get(), [&](uint32_t address, const rtnl::Neighbour &entry) {
    if (answered(entry))
      resolvedBefore[address] = entry.linkAddress;
    else if (entry.resolved())
      toReconfirm.insert(address);
  });
  std::map<int, std::chrono::milliseconds> reconfirmTimes; // by interface index
  Clock::time_point lastSent{};
  for (size_t i = 0; i < addresses.size(); ++i) {
    const uint32_t address = addresses[i];
    report(i);
    const auto route = rtnl::routeTo(socket.get(), address);
    if (!route || route->type != RTN_UNICAST || route->viaGateway || found.count(address) ||
        unsettled.count(address))
      continue;
    if (const auto entry = resolvedBefore.find(address); entry != resolvedBefore.end()) {
      keep(address, entry->second);
      continue;
    }
    while (unsettled.size() >= kSweepResolutionsInFlight) {
      std::this_thread::sleep_for(kTableReadEvery);
      settle();
    }
    auto giveUp = giveUpTimes.find(route->interface);
    if (giveUp == giveUpTimes.end()) {
      const auto info = rtnl::interfaceInfo(socket.get(), route->interface);
      if (!info || (info->flags & (IFF_NOARP | IFF_LOOPBACK)) != 0)
        continue;
      giveUp = giveUpTimes.emplace(route->interface, resolutionGiveUpTime(info->name)).first;
      reconfirmTimes[route->interface] = reconfirmationTime(info->name);
    }
    std::this_thread::sleep_until(lastSent +
                                  std::chrono::microseconds(kSweepRequestGapMicroseconds));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9); // discard
    to.sin_addr.s_addr = address;
    lastSent = Clock::now();
    if (::sendto(datagrams.fd(), "", 0, MSG_DONTWAIT, reinterpret_cast<const sockaddr *>(&to),
                 sizeof to) < 0 &&
        errno != EHOSTUNREACH)
      continue;
    Unsettled waiting{lastSent + kAnswerWait, lastSent + giveUp->second + kWaitBeyondGiveUp};
    if (toReconfirm.count(address) != 0) {
      waiting.answerBy = lastSent + reconfirmTimes[route->interface] + kAnswerWait;
      waiting.settledBy = std::max(waiting.settledBy, waiting.answerBy);
    }
    unsettled[address] = waiting;
    if (i % 16 == 15)
      settle();
  }
  // The last ones get the same wait as every other.
  for (;;) {
    settle();
    const auto now = Clock::now();
    std::erase_if(unsettled, [&](const auto &item) { return item.second.answerBy <= now; });
    if (unsettled.empty())
      break;
    std::this_thread::sleep_for(kTableReadEvery);
  }
  report(addresses.size());

  std::vector<SweptHost> hosts;
  for (const uint32_t address : addresses) {
    const auto it = found.find(address);
    if (it != found.end() && !it->second.empty()) {
      hosts.push_back({address, it->second});
      found.erase(it);
    }
  }
  return hosts;
}

} // namespace platform
