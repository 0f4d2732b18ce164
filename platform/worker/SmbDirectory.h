// One libsmbclient directory listing: a workgroup's computers, a server's
// shares.
#pragma once

#include <platform/backends.h>

#include <libsmbclient.h>

#include <string>
#include <vector>

namespace platform {

struct SmbListing {
  bool opened = false;
  int error = 0; // errno of a failed open; 0 when libsmbclient set none
  std::vector<BrowseEntry> entries;
};

SmbListing readSmbDirectory(SMBCCTX *context, const std::string &url);

} // namespace platform
