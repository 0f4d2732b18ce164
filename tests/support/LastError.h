// A last-error value that no call sets, stored before the call under test:
// afterwards it tells a call that set the last error (ERROR_SUCCESS included)
// from one that left the caller's value alone. Wine's tests use the same.
#pragma once

#include <windows.h>

namespace testsupport {

constexpr DWORD kUntouchedLastError = 0xdeadbeef;

} // namespace testsupport
