// SendARP's argument checks and error form, shared by every backend: the
// backend only sees calls with a buffer of at least six bytes, and whatever
// it reports, an error always leaves *PhyAddrLen at 0.
#include "iphlpapi/IphlpapiBackends.h"

#include <shared/CBoundary.h>
#include <iphlpapi.h>

namespace {
constexpr ULONG kEthernetAddressLength = 6;

// The error form of a call the guard stopped: the code it left as the last
// error, with no address length.
DWORD failedArp(PULONG PhyAddrLen) {
  if (PhyAddrLen != nullptr)
    *PhyAddrLen = 0;
  return GetLastError();
}

} // namespace

DWORD WINAPI SendARP(IPAddr DestIP, IPAddr SrcIP, PVOID pMacAddr, PULONG PhyAddrLen) {
  return cboundary::guarded([&] { return failedArp(PhyAddrLen); },
                            [&]() -> DWORD {
                              if (pMacAddr == nullptr || PhyAddrLen == nullptr) {
                                if (PhyAddrLen != nullptr)
                                  *PhyAddrLen = 0;
                                return ERROR_INVALID_PARAMETER;
                              }
                              if (*PhyAddrLen < kEthernetAddressLength) {
                                *PhyAddrLen = 0;
                                return ERROR_BUFFER_OVERFLOW;
                              }
                              const DWORD result = platform::currentArp().sendArp(
                                  DestIP, SrcIP, pMacAddr, PhyAddrLen);
                              if (result != NO_ERROR)
                                *PhyAddrLen = 0;
                              return result;
                            });
}
