#include "mpr/BrowseListing.h"

#include "common/AsciiCase.h"

#include "kernel32/AnsiCharacters.h"
#include "kernel32/AnsiCodePage.h"

#include <winnetwk.h>

#include <algorithm>
#include <unordered_set>

namespace {

using platform::BrowseEntry;
using platform::NetContainer;
using platform::ResourceEntry;
using platform::ResourceFilter;

// A name that would break the name forms built from it, or that the network
// should never have sent. Checked in the ANSI form the caller gets, on its
// characters: a character that is no separator in UTF-8 can become one
// (U+00A5 is 0x5C in Shift_JIS), and a 0x5C inside a character is none.
bool isOddName(const std::string &ansiName) {
  return ansiName.empty() || platform::findAnsiCharacter(ansiName, "\\/") != std::string::npos ||
         std::any_of(ansiName.begin(), ansiName.end(), [](char c) {
           const auto u = static_cast<unsigned char>(c);
           return u < 0x20 || u == 0x7F;
         });
}

bool typeAdmits(DWORD filterType, DWORD entryType) {
  return filterType == RESOURCETYPE_ANY || (filterType & entryType) != 0;
}

// The record for one backend entry, or false when this level does not list it.
bool toResource(const NetContainer &container, const BrowseEntry &entry, ResourceEntry &out) {
  switch (container.level) {
  case NetContainer::Level::Provider:
    if (entry.kind != BrowseEntry::Kind::Workgroup)
      return false;
    // The comment of a workgroup entry names its master browser, which
    // Windows does not show.
    out = {RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_DOMAIN, RESOURCEUSAGE_CONTAINER, entry.name, ""};
    return true;
  case NetContainer::Level::Workgroup:
    if (entry.kind != BrowseEntry::Kind::Computer)
      return false;
    out = {RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_SERVER, RESOURCEUSAGE_CONTAINER,
           "\\\\" + entry.name, entry.comment};
    return true;
  case NetContainer::Level::Computer: {
    DWORD type;
    if (entry.kind == BrowseEntry::Kind::FileShare)
      type = RESOURCETYPE_DISK;
    else if (entry.kind == BrowseEntry::Kind::Printer)
      type = RESOURCETYPE_PRINT;
    else
      return false;
    if (entry.name.back() == '$')
      return false;
    out = {type, RESOURCEDISPLAYTYPE_SHARE, RESOURCEUSAGE_CONNECTABLE,
           container.name + "\\" + entry.name, entry.comment};
    return true;
  }
  }
  return false;
}

} // namespace

bool platform::usageAdmits(DWORD filterUsage, DWORD entryUsage) {
  const DWORD wanted = filterUsage & (RESOURCEUSAGE_CONNECTABLE | RESOURCEUSAGE_CONTAINER);
  return wanted == 0 || (wanted & entryUsage) != 0;
}

platform::ResourceEntry platform::providerEntry() {
  return {RESOURCETYPE_ANY, RESOURCEDISPLAYTYPE_NETWORK, RESOURCEUSAGE_CONTAINER,
          kBrowseProviderName, ""};
}

std::vector<ResourceEntry> platform::listBelow(const NetContainer &container,
                                               const std::vector<BrowseEntry> &entries,
                                               const ResourceFilter &filter) {
  // The container's name goes back to the caller as Windows' A functions
  // give it, through Unicode: a malformed byte (a lead byte at the end, say,
  // which would take the separator after it) comes back as '?'.
  const NetContainer shown{container.level, ansiFromUtf8(networkName(container))};
  std::vector<ResourceEntry> listed;
  std::unordered_set<std::string> seenNames;
  for (const BrowseEntry &entry : entries) {
    // The comment is converted below, for the entries that are listed.
    const BrowseEntry ansi{entry.kind, ansiFromUtf8(entry.name), entry.comment};
    ResourceEntry resource;
    if (isOddName(ansi.name) || !toResource(shown, ansi, resource))
      continue;
    // Containers are listed whatever the type filter: they may hold both kinds.
    if (resource.usage == RESOURCEUSAGE_CONNECTABLE && !typeAdmits(filter.type, resource.type))
      continue;
    if (!usageAdmits(filter.usage, resource.usage))
      continue;
    // Several master browsers may report the same name; NetBIOS names
    // ignore case.
    if (!seenNames.insert(platform::asciiLowered(entry.name)).second)
      continue;
    resource.comment = ansiFromUtf8(resource.comment);
    listed.push_back(std::move(resource));
  }
  return listed;
}
