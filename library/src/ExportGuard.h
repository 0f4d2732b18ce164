// The shared C-boundary guard for velnip's exports. The name and address
// exports report in WinSock's error (WSAGetLastError), the others in the
// thread's last error (GetLastError); on Windows the two are one.
#pragma once

#include <CBoundary.h>
#include <windows.h>
#include <winsock.h>

#include <utility>

// winsock2.h's name; the WinSock 1.1 header lacks it.
#ifndef WSA_NOT_ENOUGH_MEMORY
#define WSA_NOT_ENOUGH_MEMORY ERROR_NOT_ENOUGH_MEMORY
#endif

namespace velnip {

// Returns body(); if it throws, sets ERROR_NOT_ENOUGH_MEMORY (the heap ran
// out) or ERROR_GEN_FAILURE and returns the export's failure form.
template <class Body, class Failure> auto guardedExport(Failure failure, Body &&body) {
  return cboundary::guard(
      std::forward<Body>(body), [&] { return failure; },
      [](cboundary::Fault fault) {
        SetLastError(fault == cboundary::Fault::OutOfMemory ? ERROR_NOT_ENOUGH_MEMORY
                                                            : ERROR_GEN_FAILURE);
      });
}

// The same for the name and address exports: WSA_NOT_ENOUGH_MEMORY or
// WSANO_RECOVERY.
template <class Body, class Failure> auto guardedWinSockExport(Failure failure, Body &&body) {
  return cboundary::guard(
      std::forward<Body>(body), [&] { return failure; },
      [](cboundary::Fault fault) {
        WSASetLastError(fault == cboundary::Fault::OutOfMemory ? WSA_NOT_ENOUGH_MEMORY
                                                               : WSANO_RECOVERY);
      });
}

} // namespace velnip
