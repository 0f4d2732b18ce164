/* A plain C caller of velnip: the header compiles as C and the identity
 * exports answer with their documented forms on this machine. */
#include <velnip.h>

#include <stdio.h>

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
  printf("%s %s %s\n", computer ? computer : "(null)", user ? user : "(null)",
         address ? address : "(null)");
  return failures == 0 ? 0 : 1;
}
