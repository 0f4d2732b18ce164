#include "worker/logon/ServerNameMatch.h"

#include "common/AsciiCase.h"

#include <arpa/inet.h>

bool platform::logon::isAddressText(const std::string &text) {
  std::string bare = text;
  if (bare.size() >= 2 && bare.front() == '[' && bare.back() == ']')
    bare = bare.substr(1, bare.size() - 2);
  unsigned char buffer[sizeof(in6_addr)];
  return inet_pton(AF_INET, bare.c_str(), buffer) == 1 ||
         inet_pton(AF_INET6, bare.c_str(), buffer) == 1;
}

bool platform::logon::savedForServer(const std::string &savedFor, const std::string &computer) {
  if (savedFor.empty() || computer.empty() || isAddressText(savedFor) || isAddressText(computer))
    return false;
  return sameIgnoringAsciiCase(savedFor, computer);
}
