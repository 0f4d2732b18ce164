#include "worker/SmbDirectory.h"

#include <cerrno>

namespace {

using platform::BrowseEntry;

class OpenDirectory {
public:
  OpenDirectory(SMBCCTX *context, const std::string &url)
      : context_(context), dir_(smbc_getFunctionOpendir(context)(context, url.c_str())) {}
  ~OpenDirectory() {
    if (dir_ != nullptr)
      smbc_getFunctionClosedir(context_)(context_, dir_);
  }
  OpenDirectory(const OpenDirectory &) = delete;
  OpenDirectory &operator=(const OpenDirectory &) = delete;

  bool isOpen() const { return dir_ != nullptr; }
  const smbc_dirent *next() { return smbc_getFunctionReaddir(context_)(context_, dir_); }

private:
  SMBCCTX *context_;
  SMBCFILE *dir_;
};

BrowseEntry::Kind kindOf(unsigned int smbcType) {
  switch (smbcType) {
  case SMBC_WORKGROUP:
    return BrowseEntry::Kind::Workgroup;
  case SMBC_SERVER:
    return BrowseEntry::Kind::Computer;
  case SMBC_FILE_SHARE:
    return BrowseEntry::Kind::FileShare;
  case SMBC_PRINTER_SHARE:
    return BrowseEntry::Kind::Printer;
  case SMBC_IPC_SHARE:
    return BrowseEntry::Kind::Ipc;
  default:
    return BrowseEntry::Kind::Other;
  }
}

} // namespace

platform::SmbListing platform::readSmbDirectory(SMBCCTX *context, const std::string &url) {
  SmbListing listing;
  errno = 0;
  OpenDirectory directory(context, url);
  listing.opened = directory.isOpen();
  if (!listing.opened) {
    listing.error = errno;
    return listing;
  }
  while (const smbc_dirent *entry = directory.next())
    listing.entries.push_back(
        {kindOf(entry->smbc_type), entry->name, entry->comment != nullptr ? entry->comment : ""});
  return listing;
}
