// The shared C-boundary guard bound to the two error slots of this platform:
// the thread's last error (GetLastError) and WinSock's (WSAGetLastError). On
// Windows both are one slot; here they are two, so each call reports where
// its own callers look.
#pragma once

#include <CBoundary.h>
#include <winsock.h>

#include <utility>

namespace platform {

// Runs body; if it throws, sets the last error (ERROR_NOT_ENOUGH_MEMORY when
// the heap ran out, ERROR_GEN_FAILURE otherwise) and returns failure(). A
// call that returns its error code reads it back with GetLastError().
template <class Body, class Failure> auto guarded(Body &&body, Failure &&failure) {
  return cboundary::guard(
      std::forward<Body>(body), std::forward<Failure>(failure), [](cboundary::Fault fault) {
        SetLastError(fault == cboundary::Fault::OutOfMemory ? ERROR_NOT_ENOUGH_MEMORY
                                                            : ERROR_GEN_FAILURE);
      });
}

// The same for the WinSock calls: WSA_NOT_ENOUGH_MEMORY or WSANO_RECOVERY.
template <class Body, class Failure> auto guardedWinSock(Body &&body, Failure &&failure) {
  return cboundary::guard(
      std::forward<Body>(body), std::forward<Failure>(failure), [](cboundary::Fault fault) {
        WSASetLastError(fault == cboundary::Fault::OutOfMemory ? WSA_NOT_ENOUGH_MEMORY
                                                               : WSANO_RECOVERY);
      });
}

} // namespace platform
