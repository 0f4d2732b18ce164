#include "net/wsd/DiscoveryCache.h"

#include "common/AsciiCase.h"

#include <algorithm>
#include <utility>

namespace platform::wsd {

std::vector<DiscoveredComputer> DiscoveryCache::computers() {
  std::unique_lock guard(lock_);
  for (;;) {
    if (ranAt_ && now_() - *ranAt_ < kKeepFor)
      return kept_;
    if (!running_)
      break;
    ranChanged_.wait(guard);
  }
  running_ = true;
  guard.unlock();
  std::vector<DiscoveredComputer> found;
  try {
    found = run_();
  } catch (...) {
    // Those waiting run again themselves.
    guard.lock();
    running_ = false;
    ranChanged_.notify_all();
    throw;
  }
  guard.lock();
  running_ = false;
  adopt(std::move(found));
  ranChanged_.notify_all();
  return kept_;
}

std::vector<DiscoveredComputer> DiscoveryCache::runWithoutKeeping() {
  std::vector<DiscoveredComputer> found = run_();
  std::lock_guard guard(lock_);
  ++runs_;
  for (const DiscoveredComputer &computer : found)
    remember(computer);
  return found;
}

void DiscoveryCache::adopt(std::vector<DiscoveredComputer> computers) {
  kept_ = std::move(computers);
  // Kept from when the run ended: a search started by it has the full time.
  ranAt_ = now_();
  ++runs_;
  for (const DiscoveredComputer &computer : kept_)
    remember(computer);
}

void DiscoveryCache::remember(const DiscoveredComputer &computer) {
  if (computer.address == 0)
    return;
  addresses_[asciiLowered(computer.name)] = {computer.address, runs_};
  while (addresses_.size() > kMaxAddresses)
    addresses_.erase(
        std::min_element(addresses_.begin(), addresses_.end(),
                         [](const auto &a, const auto &b) { return a.second.run < b.second.run; }));
}

void DiscoveryCache::joined(DiscoveredComputer computer) {
  std::lock_guard guard(lock_);
  if (!ranAt_)
    return; // the first run will hear of it
  const auto same = std::find_if(kept_.begin(), kept_.end(), [&](const DiscoveredComputer &kept) {
    return kept.endpoint == computer.endpoint || sameIgnoringAsciiCase(kept.name, computer.name);
  });
  remember(computer);
  if (same != kept_.end())
    *same = std::move(computer);
  else if (kept_.size() < kMaxComputers)
    kept_.push_back(std::move(computer));
}

void DiscoveryCache::left(const std::string &endpoint) {
  std::lock_guard guard(lock_);
  std::erase_if(kept_, [&](const DiscoveredComputer &kept) { return kept.endpoint == endpoint; });
}

std::optional<uint32_t> DiscoveryCache::addressOf(const std::string &name) {
  std::lock_guard guard(lock_);
  const auto found = addresses_.find(asciiLowered(name));
  if (found == addresses_.end())
    return std::nullopt;
  return found->second.address;
}

} // namespace platform::wsd
