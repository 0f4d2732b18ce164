// One UDP socket per up IPv4 interface, each sending its multicast through
// its own interface (IP_MULTICAST_IF). A LAN without a default route gives
// the kernel no route to 224.0.0.0/4, and a machine on several LANs must ask
// on each of them, so the sender never leaves the choice to the routing
// table. Replies come back unicast to the socket that asked.
#pragma once

#include "net/Ipv4Interface.h"
#include "net/Sockets.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace platform {

class MulticastSockets {
public:
  using Clock = std::chrono::steady_clock;
  // interface: the one the datagram arrived on; from, fromPort: its
  // sender's address (network byte order) and port. Returns true to stop
  // receiving.
  using Receiver = std::function<bool(const Ipv4Interface &interface, uint32_t from,
                                      uint16_t fromPort, std::span<const unsigned char> datagram)>;

  // Loopback interfaces are left out; ttl is the multicast hop limit.
  MulticastSockets(const std::vector<Ipv4Interface> &interfaces, int ttl);
  MulticastSockets(const MulticastSockets &) = delete;
  MulticastSockets &operator=(const MulticastSockets &) = delete;

  bool empty() const { return sockets_.empty(); }
  const std::vector<Ipv4Interface> &interfaces() const { return interfaces_; }

  // To group:port on every interface, or only on the one with this index.
  void send(uint32_t group, uint16_t port, std::span<const unsigned char> datagram,
            int onlyInterface = 0);

  // Hands each datagram of at most maxSize bytes that arrives before the
  // deadline to `take`; longer ones are dropped. False when the deadline
  // passed without `take` asking to stop.
  bool receiveUntil(Clock::time_point deadline, size_t maxSize, const Receiver &take);

private:
  std::vector<OwnedSocket> sockets_;
  std::vector<Ipv4Interface> interfaces_; // parallel to sockets_
};

} // namespace platform
