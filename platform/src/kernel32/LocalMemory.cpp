// Local memory: the C heap. Blocks may always move on reallocation.
#include <shared/CBoundary.h>

#include <windows.h>

#include <cstdlib>

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  return cboundary::guarded(nullptr, [&]() -> HLOCAL {
    void *block = (uFlags & LMEM_ZEROINIT) ? std::calloc(1, uBytes ? uBytes : 1)
                                           : std::malloc(uBytes ? uBytes : 1);
    if (block == nullptr)
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
  });
}

HLOCAL WINAPI LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT) {
  return cboundary::guarded(nullptr, [&]() -> HLOCAL {
    if (hMem == nullptr) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    void *block = std::realloc(hMem, uBytes ? uBytes : 1);
    if (block == nullptr)
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return block;
  });
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
  return cboundary::guarded([&] { return hMem; },
                            [&]() -> HLOCAL {
                              std::free(hMem);
                              return nullptr;
                            });
}
