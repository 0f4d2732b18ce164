// WinSock 1.1 as this project calls it. The resolver calls carry the Windows
// names in source; the linked symbols carry a WinSock_ prefix so that they never
// interpose on the C library's functions of the same names, which other
// libraries in the process (Qt, libsmbclient) call with POSIX semantics.
#pragma once

#include <windows.h>

// The C library's declarations of the same names come first, so that the
// renames below never touch them whatever is included later.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#define WSADESCRIPTION_LEN 256
#define WSASYS_STATUS_LEN 128

#define WSABASEERR 10000
#define WSAEFAULT (WSABASEERR + 14)
#define WSAEINVAL (WSABASEERR + 22)
#define WSAEAFNOSUPPORT (WSABASEERR + 47)
#define WSAEPROCLIM (WSABASEERR + 67)
#define WSASYSNOTREADY (WSABASEERR + 91)
#define WSAVERNOTSUPPORTED (WSABASEERR + 92)
#define WSANOTINITIALISED (WSABASEERR + 93)
#define WSAHOST_NOT_FOUND (WSABASEERR + 1001)
#define WSATRY_AGAIN (WSABASEERR + 1002)
#define WSANO_RECOVERY (WSABASEERR + 1003)
#define WSANO_DATA (WSABASEERR + 1004)
// winsock2.h's name for the out-of-memory code, which is the system's.
#define WSA_NOT_ENOUGH_MEMORY ERROR_NOT_ENOUGH_MEMORY

#ifndef AF_INET
#define AF_INET 2
#endif
#undef INADDR_NONE
#define INADDR_NONE 0xffffffffUL
#undef INADDR_ANY
#define INADDR_ANY 0x00000000UL

#define hostent WinSock_hostent
#define in_addr WinSock_in_addr
#define gethostname WinSock_gethostname
#define gethostbyname WinSock_gethostbyname
#define gethostbyaddr WinSock_gethostbyaddr
#define inet_addr WinSock_inet_addr
#define inet_ntoa WinSock_inet_ntoa

typedef struct WSAData {
  WORD wVersion;
  WORD wHighVersion;
  char szDescription[WSADESCRIPTION_LEN + 1];
  char szSystemStatus[WSASYS_STATUS_LEN + 1];
  unsigned short iMaxSockets;
  unsigned short iMaxUdpDg;
  char *lpVendorInfo;
} WSADATA, *LPWSADATA;

struct hostent {
  char *h_name;
  char **h_aliases;
  short h_addrtype;
  short h_length;
  char **h_addr_list;
};
#ifndef h_addr
#define h_addr h_addr_list[0]
#endif

struct in_addr {
  union {
    struct {
      unsigned char s_b1, s_b2, s_b3, s_b4;
    } S_un_b;
    struct {
      unsigned short s_w1, s_w2;
    } S_un_w;
    ULONG S_addr;
  } S_un;
};
#define s_addr S_un.S_addr

typedef struct hostent HOSTENT;

#ifdef __cplusplus
extern "C" {
#endif

VELPLATFORM_API int WINAPI WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData);
VELPLATFORM_API int WINAPI WSACleanup(void);
VELPLATFORM_API int WINAPI WSAGetLastError(void);
VELPLATFORM_API void WINAPI WSASetLastError(int iError);

VELPLATFORM_API int WINAPI gethostname(char *name, int namelen);
VELPLATFORM_API struct hostent *WINAPI gethostbyname(const char *name);
VELPLATFORM_API struct hostent *WINAPI gethostbyaddr(const char *addr, int len, int type);
// Dotted text to an address in network byte order, as Windows reads it: "a",
// "a.b", "a.b.c" or "a.b.c.d", each part decimal, octal (leading 0) or hex
// (0x), the last part filling the remaining bytes, then only spaces. Anything
// else gives INADDR_NONE, which is also the value of "255.255.255.255": the
// two cannot be told apart. (Windows documents a lone " " as 0; here it is
// no address.)
VELPLATFORM_API ULONG WINAPI inet_addr(const char *cp);
VELPLATFORM_API char *WINAPI inet_ntoa(struct in_addr in);

#ifdef __cplusplus
}
#endif
