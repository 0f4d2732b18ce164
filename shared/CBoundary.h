// The one guard every exported C function runs its body under: no C++
// exception may cross into a C caller, who could neither catch it nor
// release what it was holding. Plain C++, so that the library (also on
// Windows) and the platform layer share it.
#pragma once

#include <new>
#if defined(__GLIBCXX__)
#include <cxxabi.h>
#endif

namespace cboundary {

// Why a guarded body stopped: the heap ran out, or anything else was thrown.
enum class Fault { OutOfMemory, Other };

// Returns body(). If it throws instead, report(fault) records the error where
// the function's callers look for it, and failure() gives the function's
// documented failure form. A thread being cancelled still unwinds through.
template <class Body, class Failure, class Report>
auto guard(Body &&body, Failure &&failure, Report &&report) -> decltype(body()) {
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
  return failure();
}

} // namespace cboundary
