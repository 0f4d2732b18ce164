// Open WNet enumerations by handle. Handles are table keys, never pointers,
// and are not reused, so a stale or made-up handle is recognised safely.
#pragma once

#include "mpr/BrowseListing.h"

#include <cstddef>
#include <functional>
#include <vector>

namespace platform {

struct Enumeration {
  std::vector<ResourceEntry> entries;
  size_t next = 0; // the first entry not yet returned
};

// Adds the enumeration and returns its handle (never null).
HANDLE openEnumeration(Enumeration enumeration);

// Runs use on the open enumeration under the table's lock and returns its
// result; ERROR_INVALID_HANDLE when the handle is not open.
DWORD useEnumeration(HANDLE handle, const std::function<DWORD(Enumeration &)> &use);

// False when the handle is not open.
bool closeEnumeration(HANDLE handle);

} // namespace platform
