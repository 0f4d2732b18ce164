// Follows one IPv4 neighbour-table entry through the kernel's neighbour
// notifications (an rtnetlink subscription), so a caller can wait for a
// resolution without polling the table.
#pragma once

#include "iphlpapi/RouteQueries.h"

#include <chrono>
#include <cstdint>
#include <optional>

namespace platform::rtnl {

class NeighbourWatch {
public:
  // Subscribes at once: changes made after the constructor returns are seen.
  NeighbourWatch(int interface, uint32_t address);

  bool subscribed() const { return socket_ != nullptr; }

  enum class Outcome {
    Resolved, // the entry has a link-layer address, in `entry`
    Failed,   // the kernel gave up (FAILED)
    TimedOut,
    Lost,   // notifications were dropped (receive buffer full): read the table again
    Broken, // the socket failed
  };

  // Waits until the entry is resolved or failed, or until `deadline`.
  Outcome wait(std::chrono::steady_clock::time_point deadline, Neighbour &entry);

private:
  Socket socket_;
  int interface_;
  uint32_t address_;
};

} // namespace platform::rtnl
