// Local memory: the C heap. Blocks may always move on reallocation.
#include "common/EntryGuard.h"

#include <windows.h>

#include <cstdlib>

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  return platform::guarded(
      [&]() -> HLOCAL {
        void *block = (uFlags & LMEM_ZEROINIT) ? std::calloc(1, uBytes ? uBytes : 1)
                                               : std::malloc(uBytes ? uBytes : 1);
        if (block == nullptr)
          SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return block;
      },
      [&] { return nullptr; });
}

HLOCAL WINAPI LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT) {
  return platform::guarded(
      [&]() -> HLOCAL {
        if (hMem == nullptr) {
          SetLastError(ERROR_INVALID_HANDLE);
          return nullptr;
        }
        void *block = std::realloc(hMem, uBytes ? uBytes : 1);
        if (block == nullptr)
          SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return block;
      },
      [&] { return nullptr; });
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
  return platform::guarded(
      [&]() -> HLOCAL {
        std::free(hMem);
        return nullptr;
      },
      [&] { return hMem; });
}
