// The record a WNet caller fills to name a browse container.
#pragma once

#include <winnetwk.h>

namespace testsupport {

inline constexpr char kProvider[] = "Microsoft Windows NetWork";

inline NETRESOURCEA containerRecord(const char *remoteName, const char *providerName = kProvider) {
  NETRESOURCEA record{};
  record.dwScope = RESOURCE_GLOBALNET;
  record.dwType = RESOURCETYPE_DISK;
  record.dwDisplayType = RESOURCEDISPLAYTYPE_SERVER;
  record.dwUsage = RESOURCEUSAGE_CONTAINER;
  record.lpRemoteName = const_cast<LPSTR>(remoteName);
  record.lpProvider = const_cast<LPSTR>(providerName);
  return record;
}

} // namespace testsupport
