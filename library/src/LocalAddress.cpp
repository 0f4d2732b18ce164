// This computer's host name and addresses.
#include "EmptyText.h"
#include "Export.h"
#include "HostRecordText.h"
#include "WinSockSession.h"

#include <shared/CBoundary.h>
#include <velnip.h>
#include <winsock.h>

namespace {

// WinSock documents 256 bytes as always enough for gethostname.
constexpr int kHostNameBufferSize = 256;

} // namespace

VELNIP_EXPORT const char *VELNIP_CALL LocalIP(void) {
  return cboundary::guardedWinSock(velnip::kEmptyText, [&]() -> const char * {
    velnip::WinSockSession winsock;
    char name[kHostNameBufferSize];
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
    velnip::WinSockSession winsock;
    if (!winsock.started())
      return 0;
    *Address = velnip::kEmptyText;
    thread_local char name[kHostNameBufferSize];
    if (gethostname(name, sizeof name) != 0)
      return 0;
    *HostName = name;
    const char *first = FirstDottedAddress(gethostbyname(name));
    if (first == nullptr)
      return 0;
    *Address = first;
    return 1;
  });
}
