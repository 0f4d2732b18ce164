#include "mpr/EnumerationTable.h"

#include "common/ProcessLocal.h"

#include <platform/backends.h>

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {

struct Table {
  std::mutex lock;
  std::unordered_map<uintptr_t, platform::Enumeration> open;
  // Starts away from small numbers so that 0, 1, -1 and the like are never
  // taken for an open handle.
  uintptr_t lastKey = 0x4E450000;
};

// A forked child starts with no open enumeration: another thread of the
// parent may hold the lock at the fork.
platform::ProcessLocal<Table> processTable([] { return new Table; });

uintptr_t keyOf(HANDLE handle) {
  return reinterpret_cast<uintptr_t>(handle);
}

} // namespace

HANDLE platform::openEnumeration(Enumeration enumeration) {
  Table &table = processTable.get();
  std::lock_guard lock(table.lock);
  const uintptr_t key = ++table.lastKey;
  table.open.emplace(key, std::move(enumeration));
  return reinterpret_cast<HANDLE>(key);
}

DWORD platform::useEnumeration(HANDLE handle, const std::function<DWORD(Enumeration &)> &use) {
  // Before the first open there is no table, and nothing to allocate for one.
  Table *made = processTable.made();
  if (made == nullptr)
    return ERROR_INVALID_HANDLE;
  Table &table = *made;
  std::lock_guard lock(table.lock);
  auto found = table.open.find(keyOf(handle));
  if (found == table.open.end())
    return ERROR_INVALID_HANDLE;
  return use(found->second);
}

bool platform::closeEnumeration(HANDLE handle) {
  Table *made = processTable.made();
  if (made == nullptr)
    return false;
  Table &table = *made;
  std::lock_guard lock(table.lock);
  return table.open.erase(keyOf(handle)) != 0;
}

size_t platform::openBrowseEnumerationCount() {
  Table *made = processTable.made();
  if (made == nullptr)
    return 0;
  Table &table = *made;
  std::lock_guard lock(table.lock);
  return table.open.size();
}
