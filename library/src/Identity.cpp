// The computer and user names of this process.
#include "Export.h"

#include <shared/CBoundary.h>
#include <velnip.h>
#include <windows.h>

namespace {
constexpr DWORD kNameBufferSize = 255;
}

VELNIP_EXPORT const char *VELNIP_CALL GetComputerNameStr(void) {
  return cboundary::guarded(static_cast<const char *>(nullptr), [&]() -> const char * {
    thread_local char name[kNameBufferSize];
    DWORD size = kNameBufferSize;
    if (!GetComputerNameA(name, &size))
      return nullptr;
    return name;
  });
}

VELNIP_EXPORT const char *VELNIP_CALL uGetUserName(void) {
  return cboundary::guarded(static_cast<const char *>(nullptr), [&]() -> const char * {
    thread_local char name[kNameBufferSize];
    DWORD size = kNameBufferSize;
    if (!GetUserNameA(name, &size))
      return nullptr;
    return name;
  });
}
