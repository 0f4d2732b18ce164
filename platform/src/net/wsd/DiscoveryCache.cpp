#include "net/wsd/DiscoveryCache.h"

#include "common/AsciiCase.h"

#include <algorithm>

namespace platform::wsd {

std::vector<DiscoveredComputer> DiscoveryCache::computers() {
  std::lock_guard guard(lock_);
  const Clock::time_point now = now_();
  if (ranAt_ && now - *ranAt_ < kKeepFor)
    return kept_;
  kept_ = run_();
  // Kept from when the run ended: a walk started by it has the full time.
  ranAt_ = now_();
  ++runs_;
  for (const DiscoveredComputer &computer : kept_)
    if (computer.address != 0)
      addresses_[asciiLowered(computer.name)] = {computer.address, runs_};
  while (addresses_.size() > kMaxAddresses)
    addresses_.erase(
        std::min_element(addresses_.begin(), addresses_.end(),
                         [](const auto &a, const auto &b) { return a.second.run < b.second.run; }));
  return kept_;
}

std::optional<uint32_t> DiscoveryCache::addressOf(const std::string &name) {
  std::lock_guard guard(lock_);
  const auto found = addresses_.find(asciiLowered(name));
  if (found == addresses_.end())
    return std::nullopt;
  return found->second.address;
}

} // namespace platform::wsd
