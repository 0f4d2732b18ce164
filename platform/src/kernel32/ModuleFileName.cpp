#include <shared/CBoundary.h>

#include <windows.h>

#include <unistd.h>

#include <climits>
#include <cstring>

// Only the running executable (hModule == NULL) has a path here. As on
// Windows since XP, a path that does not fit is truncated to nSize - 1 chars
// plus the NUL, nSize is returned, and the error is ERROR_INSUFFICIENT_BUFFER.
DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize) {
  return cboundary::guarded(DWORD{0}, [&]() -> DWORD {
    if (hModule != nullptr || lpFilename == nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return 0;
    }
    if (nSize == 0) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    if (static_cast<DWORD>(length) >= nSize) {
      std::memcpy(lpFilename, path, nSize - 1);
      lpFilename[nSize - 1] = '\0';
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return nSize;
    }
    std::memcpy(lpFilename, path, length);
    lpFilename[length] = '\0';
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(length);
  });
}
