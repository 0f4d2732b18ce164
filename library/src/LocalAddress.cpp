// This computer's host name and addresses.
#include "EmptyText.h"
#include "Export.h"
#include "WinSockSession.h"

#include <CBoundary.h>
#include <velnip.h>
#include <winsock.h>

#include <cstring>

namespace {

// WinSock documents 256 bytes as always enough for gethostname.
constexpr int kHostNameBufferSize = 256;

const char *dotted(const char *address) {
  struct in_addr value;
  std::memcpy(&value.s_addr, address, 4);
  return inet_ntoa(value);
}

} // namespace

VELNIP_EXPORT const char *VELNIP_CALL LocalIP(void) {
  return cboundary::guardedWinSock(velnip::kEmptyText, [&]() -> const char * {
    velnip::WinSockSession winsock;
    char name[kHostNameBufferSize];
    // A failed gethostname leaves the buffer undefined; look up nothing then.
    if (gethostname(name, sizeof name) != 0)
      return velnip::kEmptyText;
    struct hostent *record = gethostbyname(name);
    if (record == nullptr)
      return velnip::kEmptyText;
    const char *text = velnip::kEmptyText;
    for (char **address = record->h_addr_list; *address != nullptr; ++address)
      text = dotted(*address);
    return text;
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
    struct hostent *record = gethostbyname(name);
    if (record == nullptr || record->h_addr_list[0] == nullptr)
      return 0;
    *Address = dotted(record->h_addr_list[0]);
    return 1;
  });
}
