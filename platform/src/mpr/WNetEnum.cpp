// WNetOpenEnumA, WNetEnumResourceA and WNetCloseEnum for the provider
// "Microsoft Windows NetWork", over the current browse backend.
#include "kernel32/AnsiCodePage.h"
#include "common/AsciiCase.h"
#include "mpr/MprBackends.h"
#include "mpr/BrowseListing.h"
#include "mpr/EnumerationTable.h"
#include "mpr/NetContainer.h"
#include "mpr/ResourcePacking.h"

#include <shared/CBoundary.h>
#include <winnetwk.h>

#include <cstring>
#include <span>

namespace {

using platform::Enumeration;
using platform::NetContainer;

constexpr DWORD kKnownTypes = RESOURCETYPE_DISK | RESOURCETYPE_PRINT;
constexpr DWORD kKnownUsages = RESOURCEUSAGE_ALL;

bool isOurProvider(const char *provider) {
  // Scans no further than our own name could reach.
  const size_t length = strnlen(provider, sizeof kBrowseProviderName);
  return platform::sameIgnoringAsciiCase(std::string(provider, length), kBrowseProviderName);
}

DWORD openGlobal(DWORD dwType, DWORD dwUsage, const NETRESOURCEA *container,
                 Enumeration &enumeration) {
  const platform::ResourceFilter filter{dwType, dwUsage};
  if (container == nullptr) {
    // The root of the network holds the providers; this platform has one.
    if (platform::usageAdmits(dwUsage, RESOURCEUSAGE_CONTAINER))
      enumeration.entries.push_back(platform::providerEntry());
    return NO_ERROR;
  }
  if (container->lpProvider != nullptr && !isOurProvider(container->lpProvider))
    return ERROR_BAD_PROVIDER;
  if ((container->dwUsage & RESOURCEUSAGE_CONTAINER) == 0)
    return ERROR_NOT_CONTAINER;
  NetContainer parsed;
  if (const DWORD status = platform::parseNetContainer(container->lpRemoteName, parsed);
      status != NO_ERROR)
    return status;
  std::vector<platform::BrowseEntry> found;
  if (const DWORD status = platform::currentBrowser().list(platform::networkName(parsed), found);
      status != NO_ERROR)
    return status;
  enumeration.entries = platform::listBelow(parsed, found, filter);
  return NO_ERROR;
}

DWORD openEnum(DWORD dwScope, DWORD dwType, DWORD dwUsage, const NETRESOURCEA *lpNetResource,
               Enumeration &enumeration) {
  if ((dwType & ~kKnownTypes) != 0)
    return ERROR_INVALID_PARAMETER;
  switch (dwScope) {
  case RESOURCE_GLOBALNET:
    if ((dwUsage & ~kKnownUsages) != 0)
      return ERROR_INVALID_PARAMETER;
    return openGlobal(dwType, dwUsage, lpNetResource, enumeration);
  case RESOURCE_CONNECTED:
  case RESOURCE_REMEMBERED:
    // No connections are ever made here, so there are none to list.
    return lpNetResource == nullptr ? NO_ERROR : ERROR_INVALID_PARAMETER;
  case RESOURCE_CONTEXT:
    return ERROR_NOT_SUPPORTED;
  default:
    return ERROR_INVALID_PARAMETER;
  }
}

DWORD enumerate(Enumeration &enumeration, LPDWORD lpcCount, LPVOID lpBuffer, LPDWORD lpBufferSize) {
  if (enumeration.next == enumeration.entries.size())
    return ERROR_NO_MORE_ITEMS;
  if (*lpcCount == 0)
    return ERROR_INVALID_PARAMETER;
  const std::span<const platform::ResourceEntry> remaining(
      enumeration.entries.data() + enumeration.next, enumeration.entries.size() - enumeration.next);
  const platform::PackResult packed =
      platform::packResources(remaining, *lpcCount, lpBuffer, *lpBufferSize);
  if (packed.status == ERROR_MORE_DATA) {
    *lpBufferSize = packed.neededSize;
    return ERROR_MORE_DATA;
  }
  enumeration.next += packed.count;
  *lpcCount = packed.count;
  return NO_ERROR;
}

// Windows also leaves a failure's code as the last error, where callers
// that only check for failure look for it.
DWORD failOpen(DWORD status) {
  SetLastError(status);
  return status;
}

} // namespace

DWORD WINAPI WNetOpenEnumA(DWORD dwScope, DWORD dwType, DWORD dwUsage, LPNETRESOURCEA lpNetResource,
                           HANDLE *lphEnum) {
  if (lphEnum == nullptr)
    return failOpen(ERROR_INVALID_PARAMETER);
  *lphEnum = nullptr;
  return cboundary::guarded([] { return GetLastError(); },
                            [&] {
                              Enumeration enumeration;
                              const DWORD status =
                                  openEnum(dwScope, dwType, dwUsage, lpNetResource, enumeration);
                              if (status != NO_ERROR)
                                return failOpen(status);
                              *lphEnum = platform::openEnumeration(std::move(enumeration));
                              return DWORD{NO_ERROR};
                            });
}

DWORD WINAPI WNetEnumResourceA(HANDLE hEnum, LPDWORD lpcCount, LPVOID lpBuffer,
                               LPDWORD lpBufferSize) {
  if (lpcCount == nullptr || lpBuffer == nullptr || lpBufferSize == nullptr)
    return ERROR_INVALID_PARAMETER;
  return cboundary::guarded([] { return GetLastError(); },
                            [&] {
                              return platform::useEnumeration(hEnum, [&](Enumeration &enumeration) {
                                return enumerate(enumeration, lpcCount, lpBuffer, lpBufferSize);
                              });
                            });
}

DWORD WINAPI WNetCloseEnum(HANDLE hEnum) {
  return cboundary::guarded([] { return GetLastError(); },
                            [&] {
                              return platform::closeEnumeration(hEnum)
                                         ? DWORD{NO_ERROR}
                                         : DWORD{ERROR_INVALID_HANDLE};
                            });
}
