#include "DiscoveryCache.h"

#include <algorithm>

namespace platform::wsd {

namespace {

std::string lowerAscii(std::string name) {
  for (char &c : name)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return name;
}

} // namespace

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
      addresses_[lowerAscii(computer.name)] = {computer.address, runs_};
  while (addresses_.size() > kMaxAddresses)
    addresses_.erase(
        std::min_element(addresses_.begin(), addresses_.end(),
                         [](const auto &a, const auto &b) { return a.second.run < b.second.run; }));
  return kept_;
}

std::optional<uint32_t> DiscoveryCache::addressOf(const std::string &name) {
  std::lock_guard guard(lock_);
  const auto found = addresses_.find(lowerAscii(name));
  if (found == addresses_.end())
    return std::nullopt;
  return found->second.address;
}

} // namespace platform::wsd
