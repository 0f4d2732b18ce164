// The buffer rules GetComputerNameA and GetUserNameA share.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>

namespace platform {

// Copies text into a caller's buffer of *size bytes. On success *size becomes
// what the call reports (the length with or without the terminating NUL);
// when it does not fit, *size becomes the length needed including the NUL.
inline BOOL copyName(const std::string &text, LPSTR buffer, LPDWORD size, DWORD overflowError,
                     bool countTerminator) {
  if (size == nullptr || (buffer == nullptr && *size != 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DWORD needed = static_cast<DWORD>(text.size() + 1);
  if (*size < needed) {
    *size = needed;
    SetLastError(overflowError);
    return FALSE;
  }
  std::memcpy(buffer, text.c_str(), needed);
  *size = countTerminator ? needed : needed - 1;
  return TRUE;
}

} // namespace platform
