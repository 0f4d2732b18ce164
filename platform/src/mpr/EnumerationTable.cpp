#include "mpr/EnumerationTable.h"

#include <platform/backends.h>

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {

std::mutex tableLock;
std::unordered_map<uintptr_t, platform::Enumeration> table;
// Starts away from small numbers so that 0, 1, -1 and the like are never
// taken for an open handle.
uintptr_t lastKey = 0x4E450000;

uintptr_t keyOf(HANDLE handle) {
  return reinterpret_cast<uintptr_t>(handle);
}

} // namespace

HANDLE platform::openEnumeration(Enumeration enumeration) {
  std::lock_guard lock(tableLock);
  const uintptr_t key = ++lastKey;
  table.emplace(key, std::move(enumeration));
  return reinterpret_cast<HANDLE>(key);
}

DWORD platform::useEnumeration(HANDLE handle, const std::function<DWORD(Enumeration &)> &use) {
  std::lock_guard lock(tableLock);
  auto found = table.find(keyOf(handle));
  if (found == table.end())
    return ERROR_INVALID_HANDLE;
  return use(found->second);
}

bool platform::closeEnumeration(HANDLE handle) {
  std::lock_guard lock(tableLock);
  return table.erase(keyOf(handle)) != 0;
}

size_t platform::openBrowseEnumerationCount() {
  std::lock_guard lock(tableLock);
  return table.size();
}
