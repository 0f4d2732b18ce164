// The network-browse exports: the names below one container into the
// caller's list, and the records below one container in a buffer the caller
// takes over.
#include "Export.h"

#include <shared/CBoundary.h>
#include <shared/NetworkEnumeration.h>
#include <velnip.h>
#include <windows.h>
#include <winnetwk.h>

#include <cstring>

namespace {

constexpr DWORD kSingleCallBufferSize = 3200;
constexpr DWORD kFirstListBufferSize = 0x4000;
constexpr DWORD kAsManyAsFit = 0xFFFFFFFF;

// Calls WNetEnumResourceA until it stops asking for a larger buffer, growing
// *Buffer to the size it asks for. NO_ERROR leaves the records in *Buffer;
// any other result leaves *Buffer released and null.
DWORD fillGrowingBuffer(HANDLE enumeration, DWORD *Count, void **Buffer) {
  DWORD size = kFirstListBufferSize;
  *Buffer = LocalAlloc(LMEM_FIXED, size);
  if (*Buffer == nullptr)
    return ERROR_NOT_ENOUGH_MEMORY;
  DWORD status;
  for (;;) {
    *Count = kAsManyAsFit;
    std::memset(*Buffer, 0, size);
    DWORD asked = size;
    status = WNetEnumResourceA(enumeration, Count, *Buffer, &asked);
    if (status != ERROR_MORE_DATA)
      break;
    // A platform that wants more data but no larger buffer would keep this
    // loop going for ever.
    if (asked <= size)
      break;
    HLOCAL grown = LocalReAlloc(*Buffer, asked, LMEM_MOVEABLE);
    if (grown == nullptr) {
      status = ERROR_NOT_ENOUGH_MEMORY;
      break;
    }
    *Buffer = grown;
    size = asked;
  }
  if (status != NO_ERROR) {
    LocalFree(*Buffer);
    *Buffer = nullptr;
  }
  return status;
}

} // namespace

VELNIP_EXPORT VELNIP_BOOL VELNIP_CALL GetNetResource(const char *ContainerName,
                                                     VELNIP_STRING_LIST *List) {
  if (List == nullptr || List->Append == nullptr)
    return 0;
  return cboundary::guarded(VELNIP_BOOL{0}, [&]() -> VELNIP_BOOL {
    return enumerateBrowseNames(ContainerName, kSingleCallBufferSize,
                                [List](LPCSTR name) { List->Append(List->Context, name); })
               ? 1
               : 0;
  });
}

VELNIP_EXPORT VELNIP_BOOL VELNIP_CALL CreateNetResourceList(uint32_t ResourceType,
                                                            struct _NETRESOURCEA *Container,
                                                            uint32_t *Count, void **Buffer) {
  return cboundary::guarded(VELNIP_BOOL{0}, [&]() -> VELNIP_BOOL {
    if (Count == nullptr || Buffer == nullptr)
      return 0;
    *Buffer = nullptr;
    *Count = 0;
    HANDLE handle = nullptr;
    if (WNetOpenEnumA(RESOURCE_GLOBALNET, ResourceType, 0, Container, &handle) != NO_ERROR)
      return 0;
    ClosingEnumeration enumeration(handle);
    // The header's count is a uint32_t; Win32's DWORD is an unsigned long of the
    // same width, a different type to the compiler.
    DWORD count = 0;
    if (fillGrowingBuffer(enumeration.handle(), &count, Buffer) != NO_ERROR)
      return 0;
    *Count = count;
    return 1;
  });
}
