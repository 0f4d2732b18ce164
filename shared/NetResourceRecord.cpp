#include "NetResourceRecord.h"

NETRESOURCEA BrowseContainerRecord(LPCSTR ContainerName) {
  NETRESOURCEA record{};
  record.dwScope = RESOURCE_GLOBALNET;
  record.dwType = RESOURCETYPE_DISK;
  record.dwDisplayType = RESOURCEDISPLAYTYPE_SERVER;
  record.dwUsage = RESOURCEUSAGE_CONTAINER;
  record.lpLocalName = nullptr;
  // WNetOpenEnumA reads these and never writes them.
  record.lpRemoteName = const_cast<LPSTR>(ContainerName);
  record.lpComment = nullptr;
  record.lpProvider = const_cast<LPSTR>(BrowseProviderName);
  return record;
}
