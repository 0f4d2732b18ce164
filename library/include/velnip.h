/*
 * velnip: network information for the local network, as plain C functions
 * exchanging NUL-terminated ANSI text.
 *
 * Text rules shared by every export:
 * - Arguments belong to the caller for the duration of the call.
 * - A result is a pointer to NUL-terminated text held by the library or the
 *   platform, never by the caller; copy it at once. Failure is one of two
 *   forms, named for each export: NULL, or the empty text, which is a pointer
 *   to a library constant "" (never NULL, never to be written or freed).
 * - Dotted addresses come from inet_ntoa and live in the platform's per-thread
 *   conversion buffer; host names from a host record live in the platform's
 *   per-thread host record. Both stay valid until the next WinSock call on the
 *   same thread.
 * - The exports that resolve names start WinSock (version 1.1) on entry and
 *   clean it up exactly once before returning, on every path. A caller that
 *   keeps WinSock started itself (WSAStartup) is unaffected by their pairs.
 *   GetHostNamestr is the exception: it needs the caller's start.
 * - getRemoteMacAdress may run on several threads at once; no other export
 *   is safe to call from two threads at once.
 * - Out of memory, every export gives its failure form (never an exception
 *   into the caller). LocalIP, GetIPandHost and the name and address exports
 *   then leave WSA_NOT_ENOUGH_MEMORY in WSAGetLastError, the others
 *   ERROR_NOT_ENOUGH_MEMORY in GetLastError: both are 8, and on Windows the
 *   two calls read one value. Any other internal fault sets WSANO_RECOVERY or
 *   ERROR_GEN_FAILURE the same way.
 *
 * ANSI text is what the A functions of Windows take: the user's multibyte
 * character set. On Windows that is the system's ANSI code page; on Linux it
 * is the character set of the user's locale (LC_ALL, LC_CTYPE or LANG, as
 * nl_langinfo(CODESET) names it), for example EUC-JP under ja_JP.eucJP. The
 * network and the name services speak UTF-8: names and comments from them
 * are converted into that character set, and names given as arguments back
 * from it. A character the character set cannot represent becomes '?', as
 * WideCharToMultiByte does by default. Under a UTF-8 locale, and under the C
 * locale, which has no character set of its own, text passes unchanged.
 */
#ifndef VELNIP_H
#define VELNIP_H

#include <stdint.h>

#ifdef _WIN32
#define VELNIP_CALL __stdcall
#else
#define VELNIP_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef int VELNIP_BOOL; /* 0 is false, anything else true */

/*
 * The NetBIOS name of this computer (first label of the host name, upper
 * case, at most 15 characters).
 * Failure: NULL.
 * Storage: a per-thread library buffer, valid until the next call of this
 * export on the same thread.
 */
const char *VELNIP_CALL GetComputerNameStr(void);

/*
 * The login name of the user running the process.
 * Failure: NULL.
 * Storage: a per-thread library buffer, valid until the next call of this
 * export on the same thread.
 */
const char *VELNIP_CALL uGetUserName(void);

/*
 * The dotted IPv4 address of this computer: the LAST address its host name
 * resolves to. Starts and cleans up WinSock.
 * Failure: the empty text.
 * Storage: the platform's per-thread inet_ntoa buffer.
 */
const char *VELNIP_CALL LocalIP(void);

/*
 * This computer's host name and the FIRST address it resolves to, written
 * through the two pointers. Starts and cleans up WinSock.
 * Returns non-zero on success. When WinSock cannot start, or either pointer is
 * NULL, returns 0 and writes nothing. Otherwise *Address is first set to the
 * empty text; a failed host-name query returns 0 there; a failed lookup
 * returns 0 with *HostName set and *Address still the empty text.
 * Storage: *HostName points to a per-thread library buffer, valid until the
 * next call of this export on the same thread; *Address to the platform's
 * per-thread inet_ntoa buffer.
 */
VELNIP_BOOL VELNIP_CALL GetIPandHost(const char **HostName, const char **Address);

/*
 * Name and address resolution: GetIpAddress, GetIpAddressStr, GetIPFromHost,
 * IPAddrToName, GetHostNamestr and Getipadress.
 * A host name is anything the resolver knows: the hosts file, DNS, then
 * NetBIOS. A NULL or empty name names nothing: on Windows gethostbyname
 * takes both as this computer, but these exports fail on them instead.
 * Dotted addresses are read as inet_addr (<winsock.h>) reads them: "a",
 * "a.b", "a.b.c" or "a.b.c.d", each part decimal, octal (leading 0) or hex
 * (0x), then only spaces. Text that is not such an address gives INADDR_NONE,
 * and so does "255.255.255.255", whose value is the same; either is never
 * looked up, so an address export fails on it without asking the network.
 * Every result is a dotted address from inet_ntoa, in the platform's
 * per-thread conversion buffer, or a name from the platform's per-thread host
 * record, or a failure form; see the text rules above.
 */

/*
 * Name: a host name, or a dotted address in its four-part form.
 * Returns the FIRST address the name resolves to. Starts and cleans up
 * WinSock.
 * Failure: the empty text (also for a NULL or empty Name).
 * Storage: the platform's per-thread inet_ntoa buffer.
 */
const char *VELNIP_CALL GetIpAddress(const char *Name);

/*
 * Name: a host name or a dotted address in any of its forms.
 * Returns the FIRST address the name resolves to. A name the resolver does
 * not know is read as a dotted address; that address is looked up in reverse
 * and the first address of the reverse record is returned, normally the
 * address itself. Starts and cleans up WinSock.
 * Failure: the empty text: a name that does not resolve, an address without
 * a reverse entry, or a NULL or empty Name.
 * Storage: the platform's per-thread inet_ntoa buffer.
 */
const char *VELNIP_CALL GetIpAddressStr(const char *Name);

/*
 * Name: a host name.
 * Returns the LAST address the name resolves to. Starts and cleans up
 * WinSock.
 * Failure: the empty text (also for a NULL or empty Name).
 * Storage: the platform's per-thread inet_ntoa buffer.
 */
const char *VELNIP_CALL GetIPFromHost(const char *Name);

/*
 * Address: a dotted address.
 * Returns the host name its reverse lookup gives (a DNS or hosts-file name,
 * or the name the host itself registered with NetBIOS). Starts and cleans up
 * WinSock.
 * Failure: NULL: no reverse entry, text that is not an address, or a NULL
 * Address.
 * Storage: the platform's per-thread host record.
 */
const char *VELNIP_CALL IPAddrToName(const char *Address);

/*
 * As IPAddrToName, with other failure forms and no start of its own: the
 * caller must have WinSock started (WSAStartup) for the whole call, or it
 * fails.
 * Failure: the empty text: no reverse entry, text that is not an address,
 * WinSock not started, or a NULL Address.
 * Storage: the platform's per-thread host record.
 */
const char *VELNIP_CALL GetHostNamestr(const char *Address);

/*
 * NameOrAddress: a host name or a dotted address; the answer goes the other
 * way. Synchronous: it answers from the lookup it makes, and neither posts a
 * request nor sends a message to any window, so it keeps no reply buffer or
 * window handle of its own. Starts and cleans up WinSock.
 * - A dotted address gives the first address of its reverse record, which is
 *   the address itself when a reverse entry exists.
 * - Anything else gives the canonical name the name resolves to.
 * Failure: the empty text, never NULL: no record, or a NULL or empty
 * argument.
 * Storage: the platform's per-thread inet_ntoa buffer or host record.
 */
const char *VELNIP_CALL Getipadress(const char *NameOrAddress);

/*
 * The MAC address of a host on the local network, by an ARP request.
 * *Address points on entry to the host's dotted IPv4 address. On success
 * *Address is overwritten with the returned pointer to the MAC text: six bytes
 * as two upper-case hex digits each, joined by '-' ("02-76-6C-00-00-0B").
 * Does not start WinSock.
 * Failure: NULL, with *Address unchanged: Address or *Address NULL, the
 * address 0.0.0.0, an address that is not on a local subnet (fails at once),
 * a host that does not answer (after about 3 s), or a reply whose first four
 * bytes are zero.
 * Storage: a per-thread library buffer, valid until the next call of this
 * export on the same thread.
 */
const char *VELNIP_CALL getRemoteMacAdress(const char **Address);

/*
 * Network browsing: GetNetResource and CreateNetResourceList.
 * The names below the provider "Microsoft Windows NetWork" are, level by
 * level: workgroup and domain names ("WORKGROUP"); below a workgroup, its
 * computers as two backslashes and the computer name ("\\\\PC1"); below a
 * computer, its disk shares as the computer's name as given, one backslash and
 * the share's name ("\\\\PC1\\docs"). Printer, IPC and hidden ("$") shares
 * are never listed as disk shares. Neither export starts WinSock.
 */

/*
 * The caller's string list for GetNetResource: Append is called once per
 * name, in enumeration order, with Context as given and the name as
 * NUL-terminated ANSI text that lives only for the call (copy it).
 */
typedef struct VELNIP_STRING_LIST {
  void *Context;
  void(VELNIP_CALL *Append)(void *Context, const char *Text);
} VELNIP_STRING_LIST;

/*
 * Appends the names directly below ContainerName (NULL or "" for the
 * workgroups and domains) to List, from one enumeration call into a
 * 3200-byte buffer: a long list is cut to what fits.
 * Returns non-zero when names were appended.
 * Failure: 0 with nothing appended: List or List->Append NULL, a container
 * that does not exist or cannot be browsed, an empty container, or a first
 * entry too large for the buffer.
 */
VELNIP_BOOL VELNIP_CALL GetNetResource(const char *ContainerName, VELNIP_STRING_LIST *List);

struct _NETRESOURCEA; /* NETRESOURCEA, from <winnetwk.h> */

/*
 * The records directly below a container, in a buffer handed to the caller.
 * ResourceType: RESOURCETYPE_ANY, RESOURCETYPE_DISK or RESOURCETYPE_PRINT.
 * Container: the container's record, or NULL for the root of the network,
 * which holds the provider itself.
 * The first buffer has 16384 bytes; while not even one entry fits it grows to
 * the size the platform asks for. Only that first batch is returned.
 * Returns non-zero with *Buffer pointing to *Count NETRESOURCEA records,
 * followed by the strings they point to. The caller owns the buffer and
 * releases it with LocalFree (<windows.h>).
 * Failure: 0 with *Buffer NULL and *Count 0: the enumeration cannot be opened,
 * the container is empty, the buffer cannot grow, or the platform asks for
 * more data without asking for a larger buffer. With Count or Buffer NULL:
 * 0, and nothing is written.
 */
VELNIP_BOOL VELNIP_CALL CreateNetResourceList(uint32_t ResourceType,
                                              struct _NETRESOURCEA *Container, uint32_t *Count,
                                              void **Buffer);

#ifdef __cplusplus
}
#endif

#endif /* VELNIP_H */
