// The one guard every exported C function, of velnip and of the platform
// layer, runs its body under: no C++ exception may cross into a C caller, who
// could neither catch it nor release what it was holding. It builds against
// the real Windows headers too, where velnip uses it alone.
#pragma once

#include <windows.h>
#include <winsock.h>

#include <new>
#include <type_traits>
#include <utility>
#if defined(__GLIBCXX__)
#include <cxxabi.h>
#endif

// winsock2.h's name; the WinSock 1.1 header lacks it.
#ifndef WSA_NOT_ENOUGH_MEMORY
#define WSA_NOT_ENOUGH_MEMORY ERROR_NOT_ENOUGH_MEMORY
#endif

namespace cboundary {

// Why a guarded body stopped: the heap ran out, or anything else was thrown.
enum class Fault { OutOfMemory, Other };

// Returns body(). If it throws instead, report(fault) records the error where
// the function's callers look for it, and the function returns its documented
// failure form: `failure` itself, or failure() when it is callable, which is
// then asked only after the error was recorded (a call that returns its error
// code reads it back). A thread being cancelled still unwinds through.
template <class Failure, class Body, class Report>
auto guard(Failure &&failure, Body &&body, Report &&report) -> decltype(body()) {
  try {
    return body();
  } catch (const std::bad_alloc &) {
    report(Fault::OutOfMemory);
#if defined(__GLIBCXX__)
  } catch (abi::__forced_unwind &) {
    throw;
#endif
  } catch (...) {
    report(Fault::Other);
  }
  if constexpr (std::is_invocable_v<Failure>)
    return failure();
  else
    return failure;
}

// For calls that report in the thread's last error (GetLastError):
// ERROR_NOT_ENOUGH_MEMORY when the heap ran out, ERROR_GEN_FAILURE otherwise.
template <class Failure, class Body> auto guarded(Failure &&failure, Body &&body) {
  return guard(std::forward<Failure>(failure), std::forward<Body>(body), [](Fault fault) {
    SetLastError(fault == Fault::OutOfMemory ? ERROR_NOT_ENOUGH_MEMORY : ERROR_GEN_FAILURE);
  });
}

// For the name and address calls, which report in WinSock's error
// (WSAGetLastError): WSA_NOT_ENOUGH_MEMORY or WSANO_RECOVERY. On Windows the
// two slots are one; here they are two, so each call reports where its own
// callers look.
template <class Failure, class Body> auto guardedWinSock(Failure &&failure, Body &&body) {
  return guard(std::forward<Failure>(failure), std::forward<Body>(body), [](Fault fault) {
    WSASetLastError(fault == Fault::OutOfMemory ? WSA_NOT_ENOUGH_MEMORY : WSANO_RECOVERY);
  });
}

} // namespace cboundary
