// GetUserNameA with its documented buffer rules.
#include "common/NameBuffer.h"
#include "kernel32/Kernel32Backends.h"

#include <shared/CBoundary.h>
#include <windows.h>

BOOL WINAPI GetUserNameA(LPSTR lpBuffer, LPDWORD pcbBuffer) {
  return cboundary::guarded(FALSE, [&] {
    const std::optional<std::string> userName = platform::currentNames().userName();
    if (!userName) {
      SetLastError(ERROR_GEN_FAILURE);
      return FALSE;
    }
    return platform::copyName(*userName, lpBuffer, pcbBuffer, ERROR_INSUFFICIENT_BUFFER, true);
  });
}
