// Lets library tests stand between velnip and two platform calls it makes:
// WNetEnumResourceA, to play a platform that misbehaves, and local memory, to
// make growing a buffer fail and to see what was released. The test binary
// defines those functions itself, so the dynamic linker binds velnip's calls to
// them; without a watcher installed they pass straight to the platform.
#pragma once

#include <windows.h>

#include <functional>
#include <set>

namespace testsupport {

using EnumResourceCall = std::function<DWORD(HANDLE, LPDWORD, LPVOID, LPDWORD)>;

// The platform's own WNetEnumResourceA.
DWORD platformEnumResource(HANDLE hEnum, LPDWORD lpcCount, LPVOID lpBuffer, LPDWORD lpBufferSize);

// While alive, WNetEnumResourceA calls go to the given function.
class EnumResourceOverride {
public:
  explicit EnumResourceOverride(EnumResourceCall call);
  ~EnumResourceOverride();
  EnumResourceOverride(const EnumResourceOverride &) = delete;
  EnumResourceOverride &operator=(const EnumResourceOverride &) = delete;
};

// While alive, records the blocks LocalAlloc and LocalReAlloc hand out and
// LocalFree takes back, and can make LocalReAlloc fail.
class LocalMemoryWatch {
public:
  LocalMemoryWatch();
  ~LocalMemoryWatch();
  LocalMemoryWatch(const LocalMemoryWatch &) = delete;
  LocalMemoryWatch &operator=(const LocalMemoryWatch &) = delete;

  bool failReAlloc = false;
  int reAllocCalls = 0;
  std::set<HLOCAL> live; // handed out and not yet freed
};

} // namespace testsupport
