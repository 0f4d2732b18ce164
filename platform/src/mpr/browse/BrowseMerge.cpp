#include "mpr/browse/BrowseMerge.h"

#include "common/AsciiCase.h"
#include "common/PlatformThread.h"

#include "net/wsd/DiscoveryCache.h"

#include <algorithm>
#include <future>
#include <thread>

namespace platform::wsd {

namespace {

using Kind = BrowseEntry::Kind;

bool listed(const std::vector<BrowseEntry> &entries, Kind kind, const std::string &name) {
  return std::any_of(entries.begin(), entries.end(), [&](const BrowseEntry &entry) {
    return entry.kind == kind && sameIgnoringAsciiCase(entry.name, name);
  });
}

} // namespace

std::vector<BrowseEntry> mergeWorkgroups(const std::vector<BrowseEntry> &netbios,
                                         const std::vector<DiscoveredComputer> &discovered) {
  std::vector<BrowseEntry> merged = netbios;
  for (const DiscoveredComputer &computer : discovered)
    if (!listed(merged, Kind::Workgroup, computer.workgroup))
      merged.push_back({Kind::Workgroup, computer.workgroup, ""});
  return merged;
}

std::vector<BrowseEntry> mergeComputers(const std::string &workgroup,
                                        const std::vector<BrowseEntry> &netbios,
                                        const std::vector<DiscoveredComputer> &discovered) {
  std::vector<BrowseEntry> merged = netbios;
  for (const DiscoveredComputer &computer : discovered)
    if (sameIgnoringAsciiCase(computer.workgroup, workgroup) &&
        !listed(merged, Kind::Computer, computer.name))
      merged.push_back({Kind::Computer, computer.name, ""});
  return merged;
}

bool MergingBrowser::netbiosMayKnow(const std::string &workgroup) {
  std::lock_guard guard(lock_);
  if (!topListedAt_ || now_() - *topListedAt_ >= DiscoveryCache::kKeepFor)
    return true;
  return std::any_of(topGroups_.begin(), topGroups_.end(), [&](const std::string &known) {
    return sameIgnoringAsciiCase(known, workgroup);
  });
}

std::optional<std::vector<DiscoveredComputer>> MergingBrowser::searchResult() {
  std::lock_guard guard(lock_);
  if (!topListedAt_ || now_() - *topListedAt_ >= DiscoveryCache::kKeepFor)
    return std::nullopt;
  return walkDiscovered_;
}

DWORD MergingBrowser::list(const std::string &container, std::vector<BrowseEntry> &entries) {
  if (container.rfind("\\", 0) == 0)
    return netbios_.list(container, entries);

  const bool top = container.empty();
  std::optional<std::vector<DiscoveredComputer>> discovered;
  if (!top)
    discovered = searchResult();
  // The probe runs beside the browse request; a cached result comes at once.
  std::packaged_task<std::vector<DiscoveredComputer>()> discovering(discovery_);
  std::future<std::vector<DiscoveredComputer>> result = discovering.get_future();
  std::thread beside;
  if (!discovered) {
    try {
      beside = platformThread([&discovering] { discovering(); });
    } catch (const std::system_error &) {
      // Without a thread, after the browse request.
    }
  }
  struct Join {
    std::thread &thread;
    ~Join() {
      if (thread.joinable())
        thread.join();
    }
  } join{beside};

  std::vector<BrowseEntry> fromNetbios;
  DWORD status = top ? ERROR_NO_NETWORK : ERROR_BAD_NETPATH;
  if (netbiosOn_() && (top || netbiosMayKnow(container)))
    status = netbios_.list(container, fromNetbios);
  if (!discovered) {
    if (beside.joinable())
      beside.join();
    else
      discovering();
    discovered = result.get();
  }
  if (top) {
    std::lock_guard guard(lock_);
    topListedAt_ = now_();
    topGroups_.clear();
    if (status == NO_ERROR)
      for (const BrowseEntry &entry : fromNetbios)
        if (entry.kind == Kind::Workgroup)
          topGroups_.push_back(entry.name);
    walkDiscovered_ = *discovered;
  }
  if (status != NO_ERROR)
    fromNetbios.clear();
  const std::vector<BrowseEntry> merged = top ? mergeWorkgroups(fromNetbios, *discovered)
                                              : mergeComputers(container, fromNetbios, *discovered);
  if (merged.empty())
    return status;
  entries.insert(entries.end(), merged.begin(), merged.end());
  return NO_ERROR;
}

} // namespace platform::wsd
