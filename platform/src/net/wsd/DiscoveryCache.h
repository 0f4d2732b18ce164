// The result of one WS-Discovery run, kept for a short time: one walk of the
// browse list asks for it at the top level and again at every workgroup,
// and must not probe the LAN each time. Concurrent callers share one run.
// Every address a run gave stays known for the rest of the process, for the
// resolver's last step.
#pragma once

#include "net/wsd/DiscoveredComputer.h"

#include <chrono>
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

  // Long enough for a whole walk of a LAN (a probe window, then a share
  // listing per computer), short enough that a computer switched on since
  // shows up in the next search.
  static constexpr std::chrono::seconds kKeepFor{30};

  DiscoveryCache(Run run, std::function<Clock::time_point()> now = Clock::now)
      : run_(std::move(run)), now_(std::move(now)) {}

  // The kept result while it is younger than kKeepFor, else a new run's.
  std::vector<DiscoveredComputer> computers();

  // The address any run of this process gave for the name (ASCII case
  // ignored), the latest one if it changed.
  std::optional<uint32_t> addressOf(const std::string &name);

private:
  Run run_;
  std::function<Clock::time_point()> now_;
  std::mutex lock_;
  std::optional<Clock::time_point> ranAt_;
  std::vector<DiscoveredComputer> kept_;
  std::map<std::string, uint32_t> addresses_; // by lower-case name
};

} // namespace platform::wsd
