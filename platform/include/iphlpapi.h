// IP Helper: ARP resolution of an IPv4 address on a local subnet.
#pragma once

#include <windows.h>

typedef ULONG IPAddr; // IPv4 address in network byte order

#ifdef __cplusplus
extern "C" {
#endif

VELPLATFORM_API DWORD WINAPI SendARP(IPAddr DestIP, IPAddr SrcIP, PVOID pMacAddr,
                                     PULONG PhyAddrLen);

#ifdef __cplusplus
}
#endif
