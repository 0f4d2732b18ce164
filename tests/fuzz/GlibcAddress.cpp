#include "GlibcAddress.h"

#include <arpa/inet.h>

bool glibcInetAton(const char *text, uint32_t &address) {
  struct in_addr value {};
  if (::inet_aton(text, &value) == 0)
    return false;
  address = value.s_addr;
  return true;
}
