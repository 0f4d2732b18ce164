// One-shot rtnetlink queries over libnl-route: the route the kernel would
// take to an address, one neighbour-table entry, one interface, and which
// interface holds an address. IPv4 addresses are in network byte order.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct nl_sock;
struct nl_msg;

namespace platform::rtnl {

struct SocketCloser {
  void operator()(nl_sock *socket) const;
};
using Socket = std::unique_ptr<nl_sock, SocketCloser>;

// A connected NETLINK_ROUTE socket for request/reply queries, or null.
Socket openQuerySocket();

struct Route {
  unsigned type = 0; // RTN_UNICAST, RTN_LOCAL, RTN_BROADCAST, ...
  int interface = 0; // index of the output interface
  bool viaGateway = false;
};

// What `ip route get` answers; std::nullopt when there is no route.
std::optional<Route> routeTo(nl_sock *socket, uint32_t destination);

struct Neighbour {
  int state = 0; // NUD_*
  std::vector<unsigned char> linkAddress;
  unsigned messageType = 0; // RTM_NEWNEIGH or RTM_DELNEIGH when it came as an event
  // How long ago the kernel last changed the entry's state (for a FAILED
  // entry: when it gave the resolution up), when it says.
  std::optional<std::chrono::milliseconds> sinceUpdate;
  // How long ago an answer (or a higher layer) last confirmed the address.
  std::optional<std::chrono::milliseconds> sinceConfirmed;

  // Has a link-layer address and is not waiting for, or past failing, a
  // resolution (INCOMPLETE, FAILED, NONE).
  bool resolved() const;
};

// The IPv4 neighbour entry for `address` on `interface`, if there is one.
std::optional<Neighbour> neighbour(nl_sock *socket, int interface, uint32_t address);

// An RTM_NEWNEIGH/RTM_DELNEIGH message, when it is about `address` on
// `interface`.
std::optional<Neighbour> neighbourFromMessage(nl_msg *message, int interface, uint32_t address);

struct Interface {
  std::string name;
  unsigned flags = 0; // IFF_*
  std::vector<unsigned char> hardwareAddress;
};

std::optional<Interface> interfaceInfo(nl_sock *socket, int index);

// The index of the interface that has `address` assigned to it.
std::optional<int> interfaceHolding(nl_sock *socket, uint32_t address);

} // namespace platform::rtnl
