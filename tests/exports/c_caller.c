/* A plain C caller of velnip: the header compiles as C and the exports
 * answer with their documented forms on this machine. */
#include <velnip.h>

#include <stdio.h>
#include <string.h>

int main(void) {
  const char *computer = GetComputerNameStr();
  const char *user = uGetUserName();
  const char *address = LocalIP();
  const char *host = NULL;
  const char *first = NULL;
  int failures = 0;
  if (computer == NULL || computer[0] == '\0') {
    puts("GetComputerNameStr gave no name");
    ++failures;
  }
  if (user == NULL || user[0] == '\0') {
    puts("uGetUserName gave no name");
    ++failures;
  }
  if (address == NULL) { /* the empty text on failure, never NULL */
    puts("LocalIP gave NULL");
    ++failures;
  }
  if (GetIPandHost(&host, &first) && (host == NULL || first == NULL)) {
    puts("GetIPandHost succeeded without its results");
    ++failures;
  }
  /* A dotted address is its own record: nothing is looked up. */
  if (strcmp(GetIpAddressStr("127.0.0.1"), "127.0.0.1") != 0) {
    puts("GetIpAddressStr did not give a dotted address back");
    ++failures;
  }
  if (IPAddrToName(NULL) != NULL || GetHostNamestr(NULL)[0] != '\0' ||
      GetIpAddress(NULL)[0] != '\0' || GetIPFromHost(NULL)[0] != '\0' ||
      Getipadress(NULL)[0] != '\0') {
    puts("a NULL argument did not give the documented failure form");
    ++failures;
  }
  printf("%s %s %s\n", computer ? computer : "(null)", user ? user : "(null)",
         address ? address : "(null)");
  return failures == 0 ? 0 : 1;
}
