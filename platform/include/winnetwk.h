// WNet network browsing for the provider "Microsoft Windows NetWork".
#pragma once

#include <windows.h>

#define RESOURCE_CONNECTED 0x00000001
#define RESOURCE_GLOBALNET 0x00000002
#define RESOURCE_REMEMBERED 0x00000003
#define RESOURCE_CONTEXT 0x00000005

#define RESOURCETYPE_ANY 0x00000000
#define RESOURCETYPE_DISK 0x00000001
#define RESOURCETYPE_PRINT 0x00000002

#define RESOURCEUSAGE_CONNECTABLE 0x00000001
#define RESOURCEUSAGE_CONTAINER 0x00000002
#define RESOURCEUSAGE_ATTACHED 0x00000010
#define RESOURCEUSAGE_ALL                                                                          \
  (RESOURCEUSAGE_CONNECTABLE | RESOURCEUSAGE_CONTAINER | RESOURCEUSAGE_ATTACHED)

#define RESOURCEDISPLAYTYPE_GENERIC 0x00000000
#define RESOURCEDISPLAYTYPE_DOMAIN 0x00000001
#define RESOURCEDISPLAYTYPE_SERVER 0x00000002
#define RESOURCEDISPLAYTYPE_SHARE 0x00000003
#define RESOURCEDISPLAYTYPE_NETWORK 0x00000006

typedef struct _NETRESOURCEA {
  DWORD dwScope;
  DWORD dwType;
  DWORD dwDisplayType;
  DWORD dwUsage;
  LPSTR lpLocalName;
  LPSTR lpRemoteName;
  LPSTR lpComment;
  LPSTR lpProvider;
} NETRESOURCEA, *LPNETRESOURCEA;

#ifdef __cplusplus
extern "C" {
#endif

// Browsing below the provider "Microsoft Windows NetWork" (lpProvider null or
// that name in any case; another gives ERROR_BAD_PROVIDER). The root of the
// network (lpNetResource null) holds the provider itself; the provider
// (lpRemoteName null, "" or the provider's name) holds workgroups and domains;
// a workgroup ("NAME") holds computers ("\\\\NAME"); a computer holds its
// shares ("\\\\NAME\\share", the computer part as given). Only disk and print shares are
// listed, never IPC or hidden ("$") shares; empty, odd and repeated names are
// dropped. The container is listed when it is opened: a container that does
// not exist fails here (ERROR_BAD_NETPATH; ERROR_NO_NETWORK at the provider
// level). A malformed or over-long name gives ERROR_BAD_NETPATH; a share, or
// a record without RESOURCEUSAGE_CONTAINER, ERROR_NOT_CONTAINER.
// RESOURCE_CONNECTED and RESOURCE_REMEMBERED enumerate nothing (no
// connections are made on this platform); RESOURCE_CONTEXT gives
// ERROR_NOT_SUPPORTED. RESOURCEUSAGE_ATTACHED is accepted and ignored:
// browsing always logs on, as guest.
VELPLATFORM_API DWORD WINAPI WNetOpenEnumA(DWORD dwScope, DWORD dwType, DWORD dwUsage,
                                           LPNETRESOURCEA lpNetResource, HANDLE *lphEnum);
// Records are packed at the start of lpBuffer and their strings at its end.
// *lpcCount (0xFFFFFFFF: as many as fit) receives the number returned. When
// not even the next entry fits, ERROR_MORE_DATA with *lpBufferSize set to the
// size it needs; after the last entry ERROR_NO_MORE_ITEMS. A null pointer
// argument or *lpcCount of 0 gives ERROR_INVALID_PARAMETER, an unknown or
// closed handle ERROR_INVALID_HANDLE.
VELPLATFORM_API DWORD WINAPI WNetEnumResourceA(HANDLE hEnum, LPDWORD lpcCount, LPVOID lpBuffer,
                                               LPDWORD lpBufferSize);
VELPLATFORM_API DWORD WINAPI WNetCloseEnum(HANDLE hEnum);

#ifdef __cplusplus
}
#endif
