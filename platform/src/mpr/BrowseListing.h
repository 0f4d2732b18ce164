// Turns what the browse backend reports below a container into the records
// WNetEnumResourceA hands out, in the backend's order.
#pragma once

#include "mpr/NetContainer.h"

#include <platform/backends.h>

#include <string>
#include <vector>

namespace platform {

// One record's values; every record names the provider kBrowseProviderName.
struct ResourceEntry {
  DWORD type = 0;
  DWORD displayType = 0;
  DWORD usage = 0;
  std::string remoteName;
  std::string comment; // empty: lpComment is null
};

// What the caller of WNetOpenEnumA asked for.
struct ResourceFilter {
  DWORD type = 0;  // RESOURCETYPE_ANY, _DISK, _PRINT or _DISK | _PRINT
  DWORD usage = 0; // 0 or RESOURCEUSAGE_ bits
};

// The provider itself, the only entry at the root of the network.
ResourceEntry providerEntry();

// Keeps, for the container's level, only workgroups, computers, or disk and
// print shares that the filter admits; drops empty and odd names, hidden ("$")
// shares and repeated names. The entries' names and comments come from the
// network in UTF-8; the records hold them in the ANSI code page, as the
// container's name (in the WNet form) already is.
std::vector<ResourceEntry> listBelow(const NetContainer &container,
                                     const std::vector<BrowseEntry> &entries,
                                     const ResourceFilter &filter);

// Whether an entry of this usage passes the filter's usage.
bool usageAdmits(DWORD filterUsage, DWORD entryUsage);

} // namespace platform
