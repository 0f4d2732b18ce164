#include "mpr/browse/BrowseSources.h"

#include "common/AsciiCase.h"
#include "common/ProcessLocal.h"
#include "common/SystemDiscovery.h"
#include "mpr/MprBackends.h"

#include <platform/lan.h>

#include <deque>
#include <mutex>
#include <set>

namespace platform {

namespace {

class RecordingBrowser final : public BrowseBackend {
public:
  explicit RecordingBrowser(BrowseBackend &inner) : inner_(inner) {}

  DWORD list(const std::string &container, std::vector<BrowseEntry> &entries) override {
    const size_t before = entries.size();
    const DWORD status = inner_.list(container, entries);
    // Only a workgroup's listing names its computers.
    if (status != NO_ERROR || container.empty() || container.rfind("\\\\", 0) == 0)
      return status;
    std::lock_guard guard(lock_);
    for (size_t i = before; i < entries.size(); ++i)
      if (entries[i].kind == BrowseEntry::Kind::Computer)
        remember(asciiLowered(entries[i].name));
    return status;
  }

  bool listed(const std::string &name) {
    std::lock_guard guard(lock_);
    return names_.count(asciiLowered(name)) != 0;
  }

private:
  void remember(const std::string &name) {
    if (!names_.insert(name).second)
      return;
    order_.push_back(name);
    if (order_.size() > kMaxRecordedNames) {
      names_.erase(order_.front());
      order_.pop_front();
    }
  }

  BrowseBackend &inner_;
  std::mutex lock_;
  std::set<std::string> names_;
  std::deque<std::string> order_;
};

// The names this process's own listings gave.
ProcessLocal<RecordingBrowser> processRecorder([] { return new RecordingBrowser(smbBrowser()); });

RecordingBrowser &recorder() {
  return processRecorder.get();
}

} // namespace

BrowseBackend &recordingSmbBrowser() {
  return recorder();
}

bool listedByBrowseList(const std::string &computerName) {
  return recorder().listed(computerName);
}

unsigned computerSources(const std::string &computerName) {
  unsigned sources = listedByBrowseList(computerName) ? kListedByBrowseList : 0u;
  // Names any WS-Discovery run of this process gave; asking never probes.
  if (systemDiscovery().addressOf(computerName))
    sources |= kListedByWsDiscovery;
  return sources;
}

} // namespace platform
