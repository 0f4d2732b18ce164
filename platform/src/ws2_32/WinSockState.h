// Process-wide WinSock start count and per-thread error, shared by every
// WinSock call of the platform layer.
#pragma once

namespace platform {

// True while at least one WSAStartup is outstanding; otherwise sets the
// thread's WinSock error to WSANOTINITIALISED and returns false.
bool winsockReady();

} // namespace platform
