// This computer's host name and addresses.
#include "EmptyText.h"
#include "Export.h"
#include "HostRecordText.h"

#include <shared/CBoundary.h>
#include <shared/WinSockSession.h>
#include <velnip.h>
#include <windns.h>
#include <winsock.h>

VELNIP_EXPORT const char *VELNIP_CALL LocalIP(void) {
  return cboundary::guardedWinSock(velnip::kEmptyText, [&]() -> const char * {
    WinSockSession winsock;
    char name[DNS_MAX_NAME_BUFFER_LENGTH];
    // A failed gethostname leaves the buffer undefined; look up nothing then.
    if (gethostname(name, sizeof name) != 0)
      return velnip::kEmptyText;
    return velnip::lastAddressText(gethostbyname(name));
  });
}

VELNIP_EXPORT VELNIP_BOOL VELNIP_CALL GetIPandHost(const char **HostName, const char **Address) {
  return cboundary::guardedWinSock(VELNIP_BOOL{0}, [&]() -> VELNIP_BOOL {
    if (HostName == nullptr || Address == nullptr)
      return 0;
    WinSockSession winsock;
    if (!winsock.started())
      return 0;
    *Address = velnip::kEmptyText;
    thread_local char name[DNS_MAX_NAME_BUFFER_LENGTH];
    if (gethostname(name, sizeof name) != 0)
      return 0;
    *HostName = name;
    const char *first = firstDottedAddress(gethostbyname(name));
    if (first == nullptr)
      return 0;
    *Address = first;
    return 1;
  });
}
