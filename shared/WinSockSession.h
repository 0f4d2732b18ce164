// Starts WinSock (version 1.1) with a start-up record of its own for one
// export call and cleans it up exactly once when the call leaves, on every
// path.
#pragma once

#include <winsock.h>

namespace velnip {

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

} // namespace velnip
