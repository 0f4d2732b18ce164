// The browse list merged from the NetBIOS browse list and the computers
// WS-Discovery found, both of which come from the LAN: through the
// product's merge and its browser, whatever the names, the NetBIOS list
// comes first as it was, and each name WS-Discovery adds is one it found,
// once, and not already listed (ASCII case ignored).
//
// Input: lines. "W name" and "S name" are NetBIOS entries of the top level
// and of the first workgroup named; "D name/group" is a discovered
// computer; the first byte of the input says whether NetBIOS is on.
#include "FuzzCheck.h"

#include "common/AsciiCase.h"
#include "mpr/browse/BrowseMerge.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace wsd = platform::wsd;
using platform::BrowseEntry;
using Kind = BrowseEntry::Kind;

namespace {

class NetbiosLists final : public platform::BrowseBackend {
public:
  std::vector<BrowseEntry> top, group;
  std::string groupName;
  DWORD list(const std::string &container, std::vector<BrowseEntry> &entries) override {
    const std::vector<BrowseEntry> &answer = container.empty() ? top : group;
    if (answer.empty())
      return container.empty() ? ERROR_NO_NETWORK : ERROR_BAD_NETPATH;
    entries.insert(entries.end(), answer.begin(), answer.end());
    return NO_ERROR;
  }
};

// The merged list begins with the NetBIOS one; the rest are names of
// `kind` from `found`, each once and none already in the NetBIOS list.
void checkMerged(const std::vector<BrowseEntry> &merged, const std::vector<BrowseEntry> &netbios,
                 Kind kind, const std::set<std::string> &found) {
  FUZZ_CHECK(merged.size() >= netbios.size());
  std::set<std::string> listed;
  for (size_t i = 0; i < netbios.size(); ++i) {
    FUZZ_CHECK(merged[i].kind == netbios[i].kind && merged[i].name == netbios[i].name);
    if (netbios[i].kind == kind)
      listed.insert(platform::asciiLowered(netbios[i].name));
  }
  for (size_t i = netbios.size(); i < merged.size(); ++i) {
    FUZZ_CHECK(merged[i].kind == kind);
    FUZZ_CHECK(found.count(merged[i].name) == 1);
    FUZZ_CHECK(listed.insert(platform::asciiLowered(merged[i].name)).second);
  }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0)
    return 0;
  const bool netbiosOn = (data[0] & 1) != 0;
  NetbiosLists netbios;
  std::vector<wsd::DiscoveredComputer> discovered;
  const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos)
      end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    if (line.size() < 2 || line[1] != ' ')
      continue;
    const std::string value = line.substr(2);
    if (line[0] == 'W') {
      netbios.top.push_back({Kind::Workgroup, value, ""});
      if (netbios.groupName.empty())
        netbios.groupName = value;
    } else if (line[0] == 'S') {
      netbios.group.push_back({Kind::Computer, value, ""});
    } else if (line[0] == 'D') {
      const size_t slash = value.find('/');
      discovered.push_back(
          {value.substr(0, slash), slash == std::string::npos ? "" : value.substr(slash + 1), 1});
    }
  }
  std::set<std::string> groups, servers;
  for (const wsd::DiscoveredComputer &computer : discovered) {
    groups.insert(computer.workgroup);
    if (platform::asciiLowered(computer.workgroup) == platform::asciiLowered(netbios.groupName))
      servers.insert(computer.name);
  }

  checkMerged(wsd::mergeWorkgroups(netbios.top, discovered), netbios.top, Kind::Workgroup, groups);
  checkMerged(wsd::mergeComputers(netbios.groupName, netbios.group, discovered), netbios.group,
              Kind::Computer, servers);

  wsd::MergingBrowser browser(
      netbios, [&] { return discovered; }, wsd::MergingBrowser::Clock::now,
      [netbiosOn] { return netbiosOn; });
  std::vector<BrowseEntry> top;
  if (browser.list("", top) == NO_ERROR)
    checkMerged(top, netbiosOn ? netbios.top : std::vector<BrowseEntry>{}, Kind::Workgroup, groups);
  std::vector<BrowseEntry> group;
  // A name in the server form would be asked of NetBIOS alone.
  if (!netbios.groupName.empty() && netbios.groupName.rfind("\\\\", 0) != 0 &&
      browser.list(netbios.groupName, group) == NO_ERROR)
    checkMerged(group, netbiosOn ? netbios.group : std::vector<BrowseEntry>{}, Kind::Computer,
                servers);
  return 0;
}
