// Reading and changing the kernel's IPv4 neighbour table over rtnetlink, for
// the lab tests and benchmarks (changing it needs CAP_NET_ADMIN, which the
// lab's client namespace has when run as root).
#pragma once

#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <net/if.h>
#include <netlink/netlink.h>
#include <netlink/route/neighbour.h>

#include <array>
#include <memory>
#include <optional>
#include <string>

namespace testsupport {

class NeighbourTable {
public:
  explicit NeighbourTable(const std::string &interfaceName)
      : interface_(static_cast<int>(::if_nametoindex(interfaceName.c_str()))),
        socket_(nl_socket_alloc(), &nl_socket_free) {
    if (socket_ && nl_connect(socket_.get(), NETLINK_ROUTE) < 0)
      socket_.reset();
  }

  bool usable() const { return interface_ != 0 && socket_ != nullptr; }

  // Removes the entry for `dotted`; true also when there was none.
  bool forget(const char *dotted) {
    Entry entry = entryFor(dotted);
    if (!entry)
      return false;
    const int result = rtnl_neigh_delete(socket_.get(), entry.get(), 0);
    return result >= 0 || result == -NLE_OBJ_NOTFOUND;
  }

  // Replaces the entry for `dotted` with one holding `mac` in `state`
  // (NUD_STALE, NUD_PERMANENT, ...).
  bool set(const char *dotted, const std::array<unsigned char, 6> &mac, int state) {
    Entry entry = entryFor(dotted);
    if (!entry)
      return false;
    nl_addr *link = nl_addr_build(AF_LLC, mac.data(), mac.size());
    if (link == nullptr)
      return false;
    rtnl_neigh_set_lladdr(entry.get(), link);
    nl_addr_put(link);
    rtnl_neigh_set_state(entry.get(), state);
    return rtnl_neigh_add(socket_.get(), entry.get(), NLM_F_CREATE | NLM_F_REPLACE) >= 0;
  }

  // The NUD_* state of the entry for `dotted`, or std::nullopt when the
  // table has none.
  std::optional<int> state(const char *dotted) {
    if (!usable())
      return std::nullopt;
    nl_cache *cache = nullptr;
    if (rtnl_neigh_alloc_cache(socket_.get(), &cache) < 0)
      return std::nullopt;
    std::optional<int> found;
    if (nl_addr *address = ipv4(dotted)) {
      if (rtnl_neigh *entry = rtnl_neigh_get(cache, interface_, address)) {
        found = rtnl_neigh_get_state(entry);
        rtnl_neigh_put(entry);
      }
      nl_addr_put(address);
    }
    nl_cache_free(cache);
    return found;
  }

private:
  using Entry = std::unique_ptr<rtnl_neigh, decltype(&rtnl_neigh_put)>;

  static nl_addr *ipv4(const char *dotted) {
    in_addr value{};
    if (::inet_pton(AF_INET, dotted, &value) != 1)
      return nullptr;
    return nl_addr_build(AF_INET, &value, sizeof value);
  }

  Entry entryFor(const char *dotted) {
    Entry entry(usable() ? rtnl_neigh_alloc() : nullptr, &rtnl_neigh_put);
    nl_addr *address = ipv4(dotted);
    if (!entry || address == nullptr) {
      if (address != nullptr)
        nl_addr_put(address);
      return Entry(nullptr, &rtnl_neigh_put);
    }
    rtnl_neigh_set_ifindex(entry.get(), interface_);
    rtnl_neigh_set_family(entry.get(), AF_INET);
    rtnl_neigh_set_dst(entry.get(), address);
    nl_addr_put(address);
    return entry;
  }

  int interface_;
  std::unique_ptr<nl_sock, decltype(&nl_socket_free)> socket_;
};

} // namespace testsupport
