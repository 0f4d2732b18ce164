// gethostname, gethostbyname and gethostbyaddr: WinSock 1.1 semantics over
// the current name-service backend.
#include "kernel32/AnsiCodePage.h"
#include "ws2_32/HostRecord.h"
#include "kernel32/Kernel32Backends.h"
#include "ws2_32/Ws2_32Backends.h"
#include "ws2_32/WinSockState.h"

#include <shared/CBoundary.h>
#include <windns.h>
#include <winsock.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr int kSocketError = -1;

// Strict a.b.c.d with four decimal parts: the form gethostbyname answers
// itself, without asking any name service.
std::optional<uint32_t> dottedQuad(const char *name) {
  unsigned parts[4];
  int used = 0;
  if (std::sscanf(name, "%3u.%3u.%3u.%3u%n", &parts[0], &parts[1], &parts[2], &parts[3], &used) !=
          4 ||
      name[used] != '\0')
    return std::nullopt;
  for (unsigned char c : std::string(name))
    if (!(c == '.' || (c >= '0' && c <= '9')))
      return std::nullopt;
  for (unsigned part : parts)
    if (part > 255)
      return std::nullopt;
  const unsigned char bytes[4] = {
      static_cast<unsigned char>(parts[0]), static_cast<unsigned char>(parts[1]),
      static_cast<unsigned char>(parts[2]), static_cast<unsigned char>(parts[3])};
  uint32_t address;
  std::memcpy(&address, bytes, 4);
  return address;
}

struct hostent *answer(const std::optional<platform::HostEntry> &entry) {
  if (!entry) {
    WSASetLastError(WSAHOST_NOT_FOUND);
    return nullptr;
  }
  if (entry->addresses.empty()) {
    WSASetLastError(WSANO_DATA);
    return nullptr;
  }
  return platform::fillThreadHostRecord(*entry);
}

} // namespace

int WINAPI gethostname(char *name, int namelen) {
  return cboundary::guardedWinSock([&] { return kSocketError; },
                                   [&]() -> int {
                                     if (!platform::winsockReady())
                                       return kSocketError;
                                     if (name == nullptr || namelen <= 0) {
                                       WSASetLastError(WSAEFAULT);
                                       return kSocketError;
                                     }
                                     const std::optional<std::string> hostName =
                                         platform::currentNames().hostName();
                                     if (!hostName) {
                                       WSASetLastError(WSANO_RECOVERY);
                                       return kSocketError;
                                     }
                                     if (hostName->size() + 1 > static_cast<size_t>(namelen)) {
                                       WSASetLastError(WSAEFAULT);
                                       return kSocketError;
                                     }
                                     std::memcpy(name, hostName->c_str(), hostName->size() + 1);
                                     return 0;
                                   });
}

struct hostent *WINAPI gethostbyname(const char *name) {
  return cboundary::guardedWinSock(
      nullptr, [&]() -> struct hostent * {
        if (!platform::winsockReady())
          return nullptr;
        std::string wanted;
        if (name == nullptr || *name == '\0') {
          // As on Windows: no name means this computer.
          const std::optional<std::string> local = platform::currentNames().hostName();
          if (!local) {
            WSASetLastError(WSANO_RECOVERY);
            return nullptr;
          }
          wanted = *local;
        } else {
          if (std::strlen(name) > DNS_MAX_NAME_LENGTH) {
            WSASetLastError(WSAHOST_NOT_FOUND);
            return nullptr;
          }
          // Name services take UTF-8.
          wanted = platform::utf8FromAnsi(name);
        }
        if (const std::optional<uint32_t> address = dottedQuad(wanted.c_str()))
          return platform::fillThreadHostRecord({wanted, {}, {*address}});
        return answer(platform::currentResolver().byName(wanted));
      });
}

struct hostent *WINAPI gethostbyaddr(const char *addr, int len, int type) {
  return cboundary::guardedWinSock(
      nullptr, [&]() -> struct hostent * {
        if (!platform::winsockReady())
          return nullptr;
        if (addr == nullptr || len != 4) {
          WSASetLastError(WSAEFAULT);
          return nullptr;
        }
        if (type != AF_INET) {
          WSASetLastError(WSAEAFNOSUPPORT);
          return nullptr;
        }
        uint32_t address;
        std::memcpy(&address, addr, 4);
        // What inet_addr gives for text that is no address: no host has it, and
        // no name service needs to be asked.
        if (address == INADDR_NONE) {
          WSASetLastError(WSAHOST_NOT_FOUND);
          return nullptr;
        }
        return answer(platform::currentResolver().byAddress(address));
      });
}
