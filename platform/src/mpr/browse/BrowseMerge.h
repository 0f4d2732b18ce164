// The browse list as a Windows PC of today sees it: the NetBIOS browse list
// (libsmbclient) and the computers WS-Discovery found, merged level by level.
// Shares come from the server itself either way.
#pragma once

#include "net/wsd/DiscoveredComputer.h"

#include <platform/backends.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace platform::wsd {

// The workgroups and domains of both: NetBIOS's first, in its order and
// spelling, then each one that only WS-Discovery knows, in the order found.
// Names compare without regard to ASCII case.
std::vector<BrowseEntry> mergeWorkgroups(const std::vector<BrowseEntry> &netbios,
                                         const std::vector<DiscoveredComputer> &discovered);

// The computers of one workgroup or domain from both, in the same way.
std::vector<BrowseEntry> mergeComputers(const std::string &workgroup,
                                        const std::vector<BrowseEntry> &netbios,
                                        const std::vector<DiscoveredComputer> &discovered);

class MergingBrowser final : public BrowseBackend {
public:
  using Discovery = std::function<std::vector<DiscoveredComputer>()>;
  using Clock = std::chrono::steady_clock;

  // discovery: the (cached) WS-Discovery result, asked beside the NetBIOS
  // browse request of the top level, never after it, on a platform thread.
  // A search takes one result: the workgroups listed within kKeepFor of the
  // top level get their computers from the result the top level got, so a
  // group listed at the top never comes out empty because a newer result
  // lost it. A workgroup listed on its own asks for a result of its own.
  // While netbiosOn says no, the browse list is not asked for; shares still
  // are.
  MergingBrowser(
      BrowseBackend &netbios, Discovery discovery,
      std::function<Clock::time_point()> now = Clock::now,
      std::function<bool()> netbiosOn = [] { return true; })
      : netbios_(netbios), discovery_(std::move(discovery)), now_(std::move(now)),
        netbiosOn_(std::move(netbiosOn)) {}

  DWORD list(const std::string &container, std::vector<BrowseEntry> &entries) override;

private:
  // Whether the NetBIOS browse service can know the group: its top level
  // listed it lately, or there is no such listing of the last kKeepFor. A
  // group it did not list (one only WS-Discovery reported) is not asked for:
  // the answer would only come after broadcasts that nobody answers.
  bool netbiosMayKnow(const std::string &workgroup);
  // The top level's discovery result while its search is current.
  std::optional<std::vector<DiscoveredComputer>> searchResult();

  BrowseBackend &netbios_;
  Discovery discovery_;
  std::function<Clock::time_point()> now_;
  std::function<bool()> netbiosOn_;
  std::mutex lock_;
  std::optional<Clock::time_point> topListedAt_;
  std::vector<std::string> topGroups_;
  std::vector<DiscoveredComputer> walkDiscovered_; // what the top level got
};

} // namespace platform::wsd
