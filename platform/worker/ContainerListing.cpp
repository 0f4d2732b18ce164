// Browsing as guest through one libsmbclient context, made on the first
// request and kept for the process's life, so that the connections to
// servers it opened are reused by the next listings.
#include "worker/ContainerListing.h"

#include "mpr/browse/SmbUrl.h"

#include <libsmbclient.h>

#include <cerrno>
#include <cstdio>

namespace browseworker {

namespace {

using platform::BrowseEntry;
using platform::browseworker::Answer;
using platform::browseworker::Outcome;
using platform::browseworker::Request;
using platform::browseworker::What;

// How long libsmbclient waits for a server's answer once connected (its
// default is 20 s). The browse backend gives the whole listing a deadline of
// the same length (mpr/browse/BrowseWorkers.h) and replaces a worker that
// overruns it, so a silent server costs this once.
constexpr int kSmbOperationTimeoutMs = 10000;

void guestCredentials(SMBCCTX *, const char *, const char *, char *, int, char *user,
                      int userLength, char *password, int passwordLength) {
  if (userLength > 0)
    std::snprintf(user, static_cast<size_t>(userLength), "%s", "guest");
  if (passwordLength > 0)
    password[0] = '\0';
}

SMBCCTX *makeContext() {
  SMBCCTX *fresh = smbc_new_context();
  if (fresh == nullptr)
    return nullptr;
  smbc_setFunctionAuthDataWithContext(fresh, guestCredentials);
  smbc_setOptionDebugToStderr(fresh, true);
  // Guest browsing has no tickets to use; trying Kerberos only adds delay.
  smbc_setOptionUseKerberos(fresh, false);
  smbc_setOptionFallbackAfterKerberos(fresh, true);
  smbc_setOptionUseCCache(fresh, false);
  smbc_setTimeout(fresh, kSmbOperationTimeoutMs);
  if (smbc_init_context(fresh) == nullptr) {
    smbc_free_context(fresh, 0);
    return nullptr;
  }
  return fresh;
}

// Null while libsmbclient cannot start; tried again at the next request.
SMBCCTX *context() {
  static SMBCCTX *made = nullptr;
  if (made == nullptr)
    made = makeContext();
  return made;
}

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

bool startSession() {
  return context() != nullptr;
}

Answer listContainer(const Request &request) {
  SMBCCTX *smb = context();
  if (smb == nullptr)
    return {Outcome::NoSession, 0, {}};
  if (request.what == What::Shares) {
    // Servers without SMB1 list their shares over SMB2 or 3.
    smbc_setOptionProtocols(smb, "NT1", "SMB3");
  } else {
    // Workgroup and server lists exist only in SMB1; with a wider range
    // libsmbclient returns nothing, without an error.
    smbc_setOptionProtocols(smb, "NT1", "NT1");
  }
  const std::string url = request.target.empty() ? "smb://" : platform::smbUrl(request.target);
  errno = 0;
  OpenDirectory directory(smb, url);
  if (!directory.isOpen())
    return {Outcome::Failed, static_cast<uint32_t>(errno), {}};
  Answer answer{Outcome::Listed, 0, {}};
  try {
    while (const smbc_dirent *entry = directory.next())
      answer.entries.push_back(
          {kindOf(entry->smbc_type), entry->name, entry->comment != nullptr ? entry->comment : ""});
  } catch (const std::bad_alloc &) {
    return {Outcome::Failed, ENOMEM, {}};
  }
  return answer;
}

} // namespace browseworker
