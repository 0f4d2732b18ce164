// Starts WinSock (version 1.1) for one call that resolves names, and cleans
// it up exactly once when the call leaves, on every path. The start-up
// record is the caller's or one of its own.
#pragma once

#include <winsock.h>

class WinSockSession {
public:
  explicit WinSockSession(WSADATA &record) : started_(WSAStartup(MAKEWORD(1, 1), &record) == 0) {}
  WinSockSession() : WinSockSession(ownRecord_) {}
  ~WinSockSession() {
    if (started_)
      WSACleanup();
  }
  WinSockSession(const WinSockSession &) = delete;
  WinSockSession &operator=(const WinSockSession &) = delete;

  bool started() const { return started_; }

private:
  WSADATA ownRecord_{};
  bool started_;
};
