#include "PlatformInterposer.h"

#include <winnetwk.h>

#include <dlfcn.h>

#include <cstdlib>

namespace {

testsupport::EnumResourceCall *enumOverride = nullptr;
testsupport::LocalMemoryWatch *memoryWatch = nullptr;

// The platform's definition: the next one after this binary's.
template <class Function> Function *platformFunction(const char *name) {
  void *found = dlsym(RTLD_NEXT, name);
  if (found == nullptr)
    std::abort();
  return reinterpret_cast<Function *>(found);
}

} // namespace

DWORD testsupport::platformEnumResource(HANDLE hEnum, LPDWORD lpcCount, LPVOID lpBuffer,
                                        LPDWORD lpBufferSize) {
  static auto *real = platformFunction<decltype(WNetEnumResourceA)>("WNetEnumResourceA");
  return real(hEnum, lpcCount, lpBuffer, lpBufferSize);
}

testsupport::EnumResourceOverride::EnumResourceOverride(EnumResourceCall call) {
  enumOverride = new EnumResourceCall(std::move(call));
}
testsupport::EnumResourceOverride::~EnumResourceOverride() {
  delete enumOverride;
  enumOverride = nullptr;
}

testsupport::LocalMemoryWatch::LocalMemoryWatch() {
  memoryWatch = this;
}
testsupport::LocalMemoryWatch::~LocalMemoryWatch() {
  memoryWatch = nullptr;
}

extern "C" DWORD WINAPI WNetEnumResourceA(HANDLE hEnum, LPDWORD lpcCount, LPVOID lpBuffer,
                                          LPDWORD lpBufferSize) {
  if (enumOverride != nullptr)
    return (*enumOverride)(hEnum, lpcCount, lpBuffer, lpBufferSize);
  return testsupport::platformEnumResource(hEnum, lpcCount, lpBuffer, lpBufferSize);
}

extern "C" HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  static auto *real = platformFunction<decltype(LocalAlloc)>("LocalAlloc");
  HLOCAL block = real(uFlags, uBytes);
  if (memoryWatch != nullptr && block != nullptr)
    memoryWatch->live.insert(block);
  return block;
}

extern "C" HLOCAL WINAPI LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags) {
  static auto *real = platformFunction<decltype(LocalReAlloc)>("LocalReAlloc");
  if (memoryWatch != nullptr) {
    ++memoryWatch->reAllocCalls;
    if (memoryWatch->failReAlloc) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
  }
  HLOCAL block = real(hMem, uBytes, uFlags);
  if (memoryWatch != nullptr && block != nullptr) {
    memoryWatch->live.erase(hMem);
    memoryWatch->live.insert(block);
  }
  return block;
}

extern "C" HLOCAL WINAPI LocalFree(HLOCAL hMem) {
  static auto *real = platformFunction<decltype(LocalFree)>("LocalFree");
  if (memoryWatch != nullptr)
    memoryWatch->live.erase(hMem);
  return real(hMem);
}
