// Hears the Hello and Bye messages devices multicast when they join or leave
// the LAN, as Windows' Function Discovery does between two probes.
#pragma once

#include "net/Ipv4Interface.h"
#include "net/Sockets.h"
#include "net/wsd/DiscoveredComputer.h"
#include "net/wsd/EndpointIntake.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace platform::wsd {

class AnnouncementListener {
public:
  // A computer that said Hello, once its metadata is read.
  using Joined = std::function<void(DiscoveredComputer)>;
  // The endpoint of a device that said Bye.
  using Left = std::function<void(const std::string &endpoint)>;

  // One socket per interface (loopback left out), on the discovery port and
  // a member of the discovery group there only.
  explicit AnnouncementListener(const std::vector<Ipv4Interface> &interfaces);

  bool empty() const { return sockets_.empty(); }

  // Handles what arrives until the deadline. A Hello counts when it comes
  // from a LAN host of the interface's subnet, names a pub:Computer and an
  // http XAddr on that subnet (one without it waits for the next probe);
  // its metadata is read at once, within `getTimeout`, so one sender cannot
  // keep this loop from the others for longer.
  void listenUntil(DatagramClock::time_point deadline, const Joined &joined, const Left &left,
                   std::chrono::milliseconds getTimeout);

private:
  // A Hello whose metadata did not come yet: asked again kHelloRetryAfter
  // later, kHelloAttempts times in all, for at most kMaxUnanswered devices.
  struct Unanswered {
    Endpoint endpoint;
    int attempts = 0;
    DatagramClock::time_point retryAt;
  };
  static constexpr int kHelloAttempts = 3;
  static constexpr std::chrono::milliseconds kHelloRetryAfter{500};
  static constexpr size_t kMaxUnanswered = 16;

  std::vector<Unanswered> unanswered_;
  std::vector<OwnedSocket> sockets_;
  std::vector<Ipv4Interface> interfaces_; // parallel to sockets_
};

} // namespace platform::wsd
