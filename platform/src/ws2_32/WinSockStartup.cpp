#include "ws2_32/WinSockState.h"

#include <shared/CBoundary.h>
#include <platform/backends.h>
#include <winsock.h>

#include <atomic>
#include <cstring>

namespace {
std::atomic<int> startCount{0};
thread_local int lastWinSockError = 0;

constexpr WORD kHighestVersion = MAKEWORD(2, 2);
} // namespace

int WINAPI WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) {
  return cboundary::guardedWinSock(
      [&] { return WSAGetLastError(); },
      [&]() -> int {
        if (LOBYTE(wVersionRequested) < 1 ||
            (LOBYTE(wVersionRequested) == 1 && HIBYTE(wVersionRequested) < 1))
          return WSAVERNOTSUPPORTED;
        if (lpWSAData == nullptr)
          return WSAEFAULT;
        // Versions above the highest we speak are answered with the highest.
        const bool aboveHighest = LOBYTE(wVersionRequested) > 2 ||
                                  (LOBYTE(wVersionRequested) == 2 && HIBYTE(wVersionRequested) > 2);
        std::memset(lpWSAData, 0, sizeof(*lpWSAData));
        lpWSAData->wVersion = aboveHighest ? kHighestVersion : wVersionRequested;
        lpWSAData->wHighVersion = kHighestVersion;
        std::strcpy(lpWSAData->szDescription, "WinSock 2.0");
        std::strcpy(lpWSAData->szSystemStatus, "Running");
        ++startCount;
        return 0;
      });
}

int WINAPI WSACleanup(void) {
  return cboundary::guardedWinSock(-1, [&]() -> int {
    int current = startCount.load();
    while (current > 0) {
      if (startCount.compare_exchange_weak(current, current - 1))
        return 0;
    }
    lastWinSockError = WSANOTINITIALISED;
    return -1; // SOCKET_ERROR
  });
}

int WINAPI WSAGetLastError(void) {
  return lastWinSockError;
}

void WINAPI WSASetLastError(int iError) {
  lastWinSockError = iError;
}

bool platform::winsockReady() {
  if (startCount.load() > 0)
    return true;
  lastWinSockError = WSANOTINITIALISED;
  return false;
}

int platform::winsockStartCount() {
  return startCount.load();
}
