// This computer's host name and addresses.
#include "EmptyText.h"
#include "Export.h"
#include "ExportGuard.h"
#include "HostRecordText.h"
#include "WinSockSession.h"

#include <velnip.h>
#include <winsock.h>

namespace {

// WinSock documents 256 bytes as always enough for gethostname.
constexpr int hostNameBufferSize = 256;

} // namespace

VELNIP_EXPORT const char *VELNIP_CALL LocalIP(void) {
  return velnip::guardedWinSockExport(velnip::emptyText, [&]() -> const char * {
    velnip::WinSockSession winsock;
    char name[hostNameBufferSize];
    // A failed gethostname leaves the buffer undefined; look up nothing then.
    if (gethostname(name, sizeof name) != 0)
      return velnip::emptyText;
    return velnip::lastAddressText(gethostbyname(name));
  });
}

VELNIP_EXPORT VELNIP_BOOL VELNIP_CALL GetIPandHost(const char **HostName, const char **Address) {
  return velnip::guardedWinSockExport(VELNIP_BOOL{0}, [&]() -> VELNIP_BOOL {
    if (HostName == nullptr || Address == nullptr)
      return 0;
    velnip::WinSockSession winsock;
    if (!winsock.started())
      return 0;
    *Address = velnip::emptyText;
    thread_local char name[hostNameBufferSize];
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
