// The result of one WS-Discovery run, kept for a short time: a search of the
// browse list takes one result at its top level (wsd::MergingBrowser), and a
// search that starts soon after must not probe the LAN again. Concurrent
// callers share one run. While the process listens for announcements, Hello
// and Bye keep the kept result current; a result older than kKeepFor is
// never handed out, as a computer can leave without a Bye.
// The addresses runs gave stay known for the resolver's last step, up to
// kMaxAddresses names.
#pragma once

#include "net/wsd/DiscoveredComputer.h"
#include "net/wsd/EndpointIntake.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::wsd {

class DiscoveryCache {
public:
  using Clock = std::chrono::steady_clock;
  using Run = std::function<std::vector<DiscoveredComputer>()>;

  // Long enough for a whole search of a LAN (a probe window, then a share
  // listing per computer), short enough that a computer switched on since
  // shows up in the next search.
  static constexpr std::chrono::seconds kKeepFor{30};

  // Names whose address is kept: four runs that each found as many
  // computers as one run keeps (256). A computer missing from the latest
  // runs still resolves, while a peer that announces new names every run
  // cannot make the map grow for the life of the process; the name given
  // least recently goes first.
  static constexpr size_t kMaxAddresses = 1024;

  DiscoveryCache(Run run, std::function<Clock::time_point()> now = Clock::now)
      : run_(std::move(run)), now_(std::move(now)) {}

  // The kept result while it is younger than kKeepFor, else a new run's.
  // No lock is held while a run probes: another caller waits for it on a
  // condition, and a process that forks meanwhile leaves no lock held.
  std::vector<DiscoveredComputer> computers();
  // A new run's result, which is not kept (its addresses are).
  std::vector<DiscoveredComputer> runWithoutKeeping();

  // A computer that announced itself: it replaces the kept one with the same
  // endpoint or name, or joins them while fewer than kMaxComputers are kept.
  void joined(DiscoveredComputer computer);
  // A device that said Bye.
  void left(const std::string &endpoint);

  // Computers kept at most: as many as one run takes endpoints.
  static constexpr size_t kMaxComputers = IntakeLimits{}.endpoints;

  // The address a run of this process gave for the name (ASCII case
  // ignored), the latest one if it changed, while it is among the
  // kMaxAddresses names given most recently.
  std::optional<uint32_t> addressOf(const std::string &name);

private:
  // Call with the lock held.
  void adopt(std::vector<DiscoveredComputer> computers);
  void remember(const DiscoveredComputer &computer);

  Run run_;
  std::function<Clock::time_point()> now_;
  std::mutex lock_;
  std::condition_variable ranChanged_;
  bool running_ = false;
  std::optional<Clock::time_point> ranAt_;
  std::vector<DiscoveredComputer> kept_;
  struct Known {
    uint32_t address = 0;
    uint64_t run = 0; // the last run that gave it
  };
  uint64_t runs_ = 0;
  std::map<std::string, Known> addresses_; // by lower-case name
};

} // namespace platform::wsd
