/*
 * Loads velnip.dll the way any Windows caller may (LoadLibrary, then
 * GetProcAddress by name and by ordinal) and calls the exports whose answer
 * is known on any machine. Runs under Wine in a network namespace that has
 * only loopback.
 *
 * What Wine can check here:
 * - the DLL loads with nothing but the system DLLs, and every name of the
 *   table resolves, by name and by its ordinal, to the same function; no
 *   ordinal beyond the table exists;
 * - the exports run over Wine's real Win32 implementation: the account and
 *   computer names, gethostname/gethostbyname, inet_addr/inet_ntoa;
 * - null arguments give their documented failure forms without a crash.
 * What it cannot check:
 * - network browsing: Wine's mpr.dll has no network provider, so
 *   WNetOpenEnumA fails as on a computer without a network client, and only
 *   the failure forms of GetNetResource and CreateNetResourceList are seen;
 * - ARP: Wine's SendARP is a stub that answers ERROR_NOT_SUPPORTED, so only
 *   the failure form of getRemoteMacAdress is seen;
 * - a real Windows resolver (NetBIOS names, the reverse lookup of another
 *   host): the namespace has no network, by design;
 * - the 32-bit DLL: Debian's 64-bit Wine runs only 64-bit programs.
 */
#include <windows.h>
#include <winnetwk.h>

#include <velnip.h>

#include <stdio.h>
#include <string.h>

typedef const char *(VELNIP_CALL *NoArgumentText)(void);
typedef const char *(VELNIP_CALL *TextToText)(const char *);
typedef VELNIP_BOOL(VELNIP_CALL *HostAndAddress)(const char **, const char **);
typedef const char *(VELNIP_CALL *MacLookup)(const char **);
typedef VELNIP_BOOL(VELNIP_CALL *NamesBelow)(const char *, VELNIP_STRING_LIST *);
typedef VELNIP_BOOL(VELNIP_CALL *RecordsBelow)(uint32_t, struct _NETRESOURCEA *, uint32_t *,
                                               void **);

static const struct {
  const char *name;
  WORD ordinal;
} table[] = {
    {"getRemoteMacAdress", 1}, {"GetNetResource", 2},  {"CreateNetResourceList", 3},
    {"GetIPandHost", 4},       {"GetIPFromHost", 5},   {"IPAddrToName", 6},
    {"uGetUserName", 7},       {"Getipadress", 8},     {"GetComputerNameStr", 9},
    {"GetIpAddress", 10},      {"GetHostNamestr", 11}, {"GetIpAddressStr", 12},
    {"LocalIP", 13},
};
enum { tableSize = sizeof table / sizeof table[0] };

static int failures = 0;

static void fail(const char *what, const char *detail) {
  printf("FAIL %s%s%s\n", what, detail ? ": " : "", detail ? detail : "");
  ++failures;
}

static const char *shown(const char *text) {
  return text ? text : "(null)";
}

/* void (*)(void) is the function type any function pointer converts to and
 * from without a warning; FARPROC is not. */
typedef void (*AnyFunction)(void);

static AnyFunction byName(HMODULE dll, const char *name) {
  return (AnyFunction)GetProcAddress(dll, name);
}

static void checkTable(HMODULE dll) {
  for (int i = 0; i < tableSize; ++i) {
    FARPROC named = GetProcAddress(dll, table[i].name);
    FARPROC numbered = GetProcAddress(dll, MAKEINTRESOURCEA(table[i].ordinal));
    if (named == NULL)
      fail("no export named", table[i].name);
    else if (numbered != named)
      fail("ordinal does not lead to the export named", table[i].name);
  }
  if (GetProcAddress(dll, MAKEINTRESOURCEA(tableSize + 1)) != NULL)
    fail("an ordinal beyond the table exists", NULL);
}

static void VELNIP_CALL countName(void *context, const char *text) {
  (void)text;
  ++*(int *)context;
}

static void checkCalls(HMODULE dll) {
  const char *computer = ((NoArgumentText)byName(dll, "GetComputerNameStr"))();
  const char *user = ((NoArgumentText)byName(dll, "uGetUserName"))();
  const char *local = ((NoArgumentText)byName(dll, "LocalIP"))();
  printf("GetComputerNameStr: %s\nuGetUserName: %s\nLocalIP: %s\n", shown(computer), shown(user),
         shown(local));
  if (computer == NULL || computer[0] == '\0')
    fail("GetComputerNameStr gave no name", NULL);
  if (user == NULL || user[0] == '\0')
    fail("uGetUserName gave no name", NULL);
  if (local == NULL || local[0] == '\0')
    fail("LocalIP gave no address", NULL);

  const char *host = NULL;
  const char *first = NULL;
  VELNIP_BOOL found = ((HostAndAddress)byName(dll, "GetIPandHost"))(&host, &first);
  printf("GetIPandHost: %d %s %s\n", found, shown(host), shown(first));
  if (!found || host == NULL || host[0] == '\0' || first == NULL || first[0] == '\0')
    fail("GetIPandHost gave no host name and address", NULL);

  const char *loopback = ((TextToText)byName(dll, "GetIpAddressStr"))("127.0.0.1");
  printf("GetIpAddressStr(\"127.0.0.1\"): %s\n", shown(loopback));
  if (loopback == NULL || strcmp(loopback, "127.0.0.1") != 0)
    fail("GetIpAddressStr(\"127.0.0.1\")", shown(loopback));

  if (((TextToText)byName(dll, "IPAddrToName"))(NULL) != NULL)
    fail("IPAddrToName(NULL) is not NULL", NULL);
  const char *none = ((TextToText)byName(dll, "GetIpAddress"))(NULL);
  if (none == NULL || none[0] != '\0')
    fail("GetIpAddress(NULL) is not the empty text", NULL);

  /* Wine's SendARP is a stub: the failure form, with the argument kept. */
  const char *address = "127.0.0.1";
  const char *argument = address;
  const char *mac = ((MacLookup)byName(dll, "getRemoteMacAdress"))(&argument);
  printf("getRemoteMacAdress(\"127.0.0.1\"): %s\n", shown(mac));
  if (mac != NULL || argument != address)
    fail("getRemoteMacAdress without SendARP", shown(mac));
  if (((MacLookup)byName(dll, "getRemoteMacAdress"))(NULL) != NULL)
    fail("getRemoteMacAdress(NULL) is not NULL", NULL);

  /* Wine's WNet has no network provider: nothing to enumerate. */
  int names = 0;
  VELNIP_STRING_LIST list = {&names, countName};
  VELNIP_BOOL listed = ((NamesBelow)byName(dll, "GetNetResource"))(NULL, &list);
  printf("GetNetResource(NULL): %d, %d names\n", listed, names);
  if (listed || names != 0)
    fail("GetNetResource without a network provider", NULL);
  if (((NamesBelow)byName(dll, "GetNetResource"))(NULL, NULL))
    fail("GetNetResource with no list", NULL);

  uint32_t count = 7;
  void *buffer = &count;
  VELNIP_BOOL created =
      ((RecordsBelow)byName(dll, "CreateNetResourceList"))(RESOURCETYPE_ANY, NULL, &count, &buffer);
  printf("CreateNetResourceList(NULL): %d, %u records\n", created, (unsigned)count);
  if (created || count != 0 || buffer != NULL)
    fail("CreateNetResourceList without a network provider", NULL);
}

int main(int argc, char **argv) {
  const char *path = argc > 1 ? argv[1] : "velnip.dll";
  HMODULE dll = LoadLibraryA(path);
  if (dll == NULL) {
    printf("FAIL LoadLibrary(%s): error %lu\n", path, GetLastError());
    return 1;
  }
  checkTable(dll);
  if (failures == 0)
    checkCalls(dll);
  FreeLibrary(dll);
  printf("%s\n", failures == 0 ? "velnip.dll passed under Wine" : "velnip.dll FAILED under Wine");
  return failures == 0 ? 0 : 1;
}
