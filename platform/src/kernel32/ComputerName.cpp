// GetComputerNameA and GetUserNameA with their documented buffer rules.
#include <CBoundary.h>
#include "kernel32/Kernel32Backends.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// Copies text into a caller's buffer of *size bytes. On success *size becomes
// what the call reports (the length with or without the terminating NUL);
// when it does not fit, *size becomes the length needed including the NUL.
BOOL copyOut(const std::string &text, LPSTR buffer, LPDWORD size, DWORD overflowError,
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

// The NetBIOS form of a host name: its first label, upper case, 15 chars.
std::string netbiosName(const std::string &hostName) {
  std::string name = hostName.substr(0, hostName.find('.'));
  if (name.size() > MAX_COMPUTERNAME_LENGTH)
    name.resize(MAX_COMPUTERNAME_LENGTH);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return name;
}

} // namespace

BOOL WINAPI GetComputerNameA(LPSTR lpBuffer, LPDWORD nSize) {
  return cboundary::guarded(FALSE, [&] {
    const std::optional<std::string> hostName = platform::currentNames().hostName();
    if (!hostName || hostName->empty()) {
      SetLastError(ERROR_GEN_FAILURE);
      return FALSE;
    }
    return copyOut(netbiosName(*hostName), lpBuffer, nSize, ERROR_BUFFER_OVERFLOW, false);
  });
}

BOOL WINAPI GetUserNameA(LPSTR lpBuffer, LPDWORD pcbBuffer) {
  return cboundary::guarded(FALSE, [&] {
    const std::optional<std::string> userName = platform::currentNames().userName();
    if (!userName) {
      SetLastError(ERROR_GEN_FAILURE);
      return FALSE;
    }
    return copyOut(*userName, lpBuffer, pcbBuffer, ERROR_INSUFFICIENT_BUFFER, true);
  });
}
