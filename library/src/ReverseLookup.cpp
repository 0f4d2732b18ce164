// Dotted address to host name, and Getipadress, which goes either way.
#include "EmptyText.h"
#include "Export.h"
#include "HostRecordText.h"
#include "SharedStartupRecord.h"

#include <shared/CBoundary.h>
#include <shared/WinSockSession.h>
#include <velnip.h>
#include <winsock.h>

VELNIP_EXPORT const char *VELNIP_CALL IPAddrToName(const char *Address) {
  return cboundary::guardedWinSock(static_cast<const char *>(nullptr), [&]() -> const char * {
    WinSockSession winsock(velnip::sharedStartupRecord);
    if (Address == nullptr)
      return nullptr;
    const struct hostent *record = velnip::reverseLookup(inet_addr(Address));
    return record != nullptr ? record->h_name : nullptr;
  });
}

// Runs on the caller's WinSock start.
VELNIP_EXPORT const char *VELNIP_CALL GetHostNamestr(const char *Address) {
  return cboundary::guardedWinSock(velnip::kEmptyText, [&]() -> const char * {
    if (Address == nullptr)
      return velnip::kEmptyText;
    const struct hostent *record = velnip::reverseLookup(inet_addr(Address));
    return record != nullptr ? record->h_name : velnip::kEmptyText;
  });
}

VELNIP_EXPORT const char *VELNIP_CALL Getipadress(const char *NameOrAddress) {
  return cboundary::guardedWinSock(velnip::kEmptyText, [&]() -> const char * {
    WinSockSession winsock(velnip::sharedStartupRecord);
    if (velnip::namesNothing(NameOrAddress))
      return velnip::kEmptyText;
    const ULONG address = inet_addr(NameOrAddress);
    if (address != INADDR_NONE)
      return velnip::firstAddressText(velnip::reverseLookup(address));
    const struct hostent *record = gethostbyname(NameOrAddress);
    return record != nullptr ? record->h_name : velnip::kEmptyText;
  });
}
