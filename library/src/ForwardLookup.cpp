// Host name to dotted address.
#include "EmptyText.h"
#include "Export.h"
#include "HostRecordText.h"
#include "SharedStartupRecord.h"

#include <shared/CBoundary.h>
#include <shared/WinSockSession.h>
#include <velnip.h>
#include <winsock.h>

VELNIP_EXPORT const char *VELNIP_CALL GetIpAddress(const char *Name) {
  return cboundary::guardedWinSock(velnip::kEmptyText, [&]() -> const char * {
    WinSockSession winsock(velnip::sharedStartupRecord);
    if (velnip::namesNothing(Name))
      return velnip::kEmptyText;
    return velnip::firstAddressText(gethostbyname(Name));
  });
}

VELNIP_EXPORT const char *VELNIP_CALL GetIpAddressStr(const char *Name) {
  return cboundary::guardedWinSock(velnip::kEmptyText, [&]() -> const char * {
    WinSockSession winsock(velnip::sharedStartupRecord);
    if (velnip::namesNothing(Name))
      return velnip::kEmptyText;
    struct hostent *record = gethostbyname(Name);
    // A name the resolver does not know may still be an address in one of the
    // shorter forms that only inet_addr reads. Out of memory, it stays failed.
    if (record == nullptr && WSAGetLastError() != WSA_NOT_ENOUGH_MEMORY)
      record = velnip::reverseLookup(inet_addr(Name));
    return velnip::firstAddressText(record);
  });
}

VELNIP_EXPORT const char *VELNIP_CALL GetIPFromHost(const char *Name) {
  return cboundary::guardedWinSock(velnip::kEmptyText, [&]() -> const char * {
    WinSockSession winsock(velnip::sharedStartupRecord);
    if (velnip::namesNothing(Name))
      return velnip::kEmptyText;
    return velnip::lastAddressText(gethostbyname(Name));
  });
}
