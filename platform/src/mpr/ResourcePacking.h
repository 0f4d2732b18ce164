// The WNetEnumResourceA buffer layout: records from the start of the caller's
// buffer, the strings they point to from its end, nothing outside it.
#pragma once

#include "mpr/BrowseListing.h"

#include <winnetwk.h>

#include <cstddef>
#include <span>

namespace platform {

struct PackResult {
  DWORD status = NO_ERROR; // NO_ERROR or ERROR_MORE_DATA
  DWORD count = 0;         // records written
  DWORD neededSize = 0;    // with ERROR_MORE_DATA: the size the first entry needs
};

// Packs as many of the entries, in order, as fit into buffer and maxCount
// (0xFFFFFFFF: no limit). entries must not be empty, maxCount not 0.
PackResult packResources(std::span<const ResourceEntry> entries, DWORD maxCount, void *buffer,
                         DWORD bufferSize);

} // namespace platform
