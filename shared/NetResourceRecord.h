// The network resource record that names a browse container to the WNet
// functions, filled the same way by the library and the program.
#pragma once

// winnetwk.h needs the base types of windows.h declared first.
#include <windows.h>
#include <winnetwk.h>

// The provider whose browse list both deliverables search.
inline constexpr char kBrowseProviderName[] = "Microsoft Windows NetWork";

// A record naming ContainerName (null or "" for the top level of the
// provider) as a global disk container.
inline NETRESOURCEA browseContainerRecord(LPCSTR ContainerName) {
  NETRESOURCEA record{};
  record.dwScope = RESOURCE_GLOBALNET;
  record.dwType = RESOURCETYPE_DISK;
  record.dwDisplayType = RESOURCEDISPLAYTYPE_SERVER;
  record.dwUsage = RESOURCEUSAGE_CONTAINER;
  record.lpLocalName = nullptr;
  // WNetOpenEnumA reads these and never writes them.
  record.lpRemoteName = const_cast<LPSTR>(ContainerName);
  record.lpComment = nullptr;
  record.lpProvider = const_cast<LPSTR>(kBrowseProviderName);
  return record;
}
