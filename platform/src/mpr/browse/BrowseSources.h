// Remembers the computers the NetBIOS browse list gave, so that a search can
// tell which source listed a computer the merged list shows.
#pragma once

#include <platform/backends.h>

#include <string>

namespace platform {

// smbBrowser(), recording the computer names of every workgroup listing.
BrowseBackend &recordingSmbBrowser();

// Whether the NetBIOS browse list gave the name (ASCII case ignored) in this
// process, among the kMaxRecordedNames names recorded last.
bool listedByBrowseList(const std::string &computerName);

constexpr size_t kMaxRecordedNames = 4096;

} // namespace platform
