#include "mpr/ResourcePacking.h"

#include <cstdint>
#include <cstring>
#include <limits>

namespace {

size_t stringsSize(const platform::ResourceEntry &entry) {
  size_t size = entry.remoteName.size() + 1 + sizeof(kBrowseProviderName);
  if (!entry.comment.empty())
    size += entry.comment.size() + 1;
  return size;
}

// Copies text with its NUL just below *top and moves *top down to it.
char *placeString(unsigned char *base, size_t &top, const std::string &text) {
  top -= text.size() + 1;
  std::memcpy(base + top, text.c_str(), text.size() + 1);
  return reinterpret_cast<char *>(base + top);
}

} // namespace

platform::PackResult platform::packResources(std::span<const ResourceEntry> entries, DWORD maxCount,
                                             void *buffer, DWORD bufferSize) {
  auto *base = static_cast<unsigned char *>(buffer);
  size_t recordsEnd = 0;
  size_t stringsStart = bufferSize;
  PackResult result;
  for (const ResourceEntry &entry : entries) {
    if (result.count == maxCount)
      break;
    const size_t strings = stringsSize(entry);
    if (recordsEnd + sizeof(NETRESOURCEA) + strings > stringsStart)
      break;
    NETRESOURCEA record{};
    record.dwScope = RESOURCE_GLOBALNET;
    record.dwType = entry.type;
    record.dwDisplayType = entry.displayType;
    record.dwUsage = entry.usage;
    record.lpLocalName = nullptr;
    record.lpRemoteName = placeString(base, stringsStart, entry.remoteName);
    record.lpComment =
        entry.comment.empty() ? nullptr : placeString(base, stringsStart, entry.comment);
    record.lpProvider = placeString(base, stringsStart, kBrowseProviderName);
    // The caller's buffer need not be aligned for the record.
    std::memcpy(base + recordsEnd, &record, sizeof record);
    recordsEnd += sizeof record;
    ++result.count;
  }
  if (result.count == 0) {
    const size_t needed = sizeof(NETRESOURCEA) + stringsSize(entries.front());
    result.status = ERROR_MORE_DATA;
    result.neededSize = needed > std::numeric_limits<DWORD>::max()
                            ? std::numeric_limits<DWORD>::max()
                            : static_cast<DWORD>(needed);
  }
  return result;
}
