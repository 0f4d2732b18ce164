#include "NetworkEnumeration.h"

#include "NetResourceRecord.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr DWORD kAsManyAsFit = 0xFFFFFFFF;

// Opens the enumeration of the names below ContainerName (null or "" for the
// workgroups and domains) as a global disk container of the provider "Microsoft
// Windows NetWork". Null on any failure.
HANDLE OpenBrowseEnumeration(LPCSTR ContainerName) {
  NETRESOURCEA container = browseContainerRecord(ContainerName);
  HANDLE handle = nullptr;
  if (WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &container, &handle) != NO_ERROR)
    return nullptr;
  return handle;
}

} // namespace

bool enumerateBrowseNames(LPCSTR ContainerName, DWORD bufferSize, const BrowseNameSink &sink) {
  HANDLE handle = OpenBrowseEnumeration(ContainerName);
  if (handle == nullptr)
    return false;
  ClosingEnumeration enumeration(handle);

  std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[bufferSize]);
  if (buffer == nullptr) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return false;
  }
  DWORD count = kAsManyAsFit;
  DWORD size = bufferSize;
  if (WNetEnumResourceA(enumeration.handle(), &count, buffer.get(), &size) != NO_ERROR)
    return false;

  // Never read past the buffer, whatever count says.
  const DWORD records = std::min<DWORD>(count, bufferSize / sizeof(NETRESOURCEA));
  for (DWORD i = 0; i < records; ++i) {
    NETRESOURCEA record;
    std::memcpy(&record, buffer.get() + i * sizeof record, sizeof record);
    if (record.lpRemoteName != nullptr)
      sink(record.lpRemoteName);
  }
  return true;
}
