// Browsing through two libsmbclient contexts, each made on its first request
// and kept for the process's life, so that the connections to servers it
// opened are reused by the next listings of the same kind: as guest for
// browse lists, as the logged-on user for a computer's shares
// (logon/ShareLogon.h), whose password logons close their connection when
// the listing ends.
#include "worker/ContainerListing.h"

#include "mpr/browse/SmbUrl.h"
#include "worker/SmbDirectory.h"
#include "worker/logon/ServerNameMatch.h"
#include "worker/logon/ShareLogon.h"

#include <cerrno>

namespace browseworker {

namespace {

using platform::browseworker::Answer;
using platform::browseworker::Outcome;
using platform::browseworker::Request;
using platform::browseworker::What;

// How long libsmbclient waits for a server's answer once connected (its
// default is 20 s). The browse backend gives the whole listing a deadline of
// the same length (mpr/browse/BrowseWorkers.h) and replaces a worker that
// overruns it, so a silent server costs this once.
constexpr int kSmbOperationTimeoutMs = 10000;

SMBCCTX *makeContext() {
  SMBCCTX *fresh = smbc_new_context();
  if (fresh == nullptr)
    return nullptr;
  platform::logon::prepareContext(fresh);
  smbc_setOptionDebugToStderr(fresh, true);
  smbc_setTimeout(fresh, kSmbOperationTimeoutMs);
  if (smbc_init_context(fresh) == nullptr) {
    smbc_free_context(fresh, 0);
    return nullptr;
  }
  platform::logon::settleContext(fresh);
  return fresh;
}

// A context keeps its connections by server name, whatever protocol they
// speak: had a computer's shares been listed over SMB3 through the context
// that asks for browse lists, a later list of the workgroup that computer is
// the master browser of would reuse that connection and fail. So each kind
// of listing has a context of its own.
// Null while libsmbclient cannot start; tried again at the next request.
SMBCCTX *context(What what) {
  static SMBCCTX *browseLists = nullptr;
  static SMBCCTX *shares = nullptr;
  SMBCCTX *&made = what == What::Shares ? shares : browseLists;
  if (made == nullptr)
    made = makeContext();
  return made;
}

// The protocol range is libsmbclient's process-wide setting, whichever
// context sets it, so it is set for each listing.
void useProtocolsFor(SMBCCTX *context, What what) {
  if (what == What::Shares)
    // Servers without SMB1 list their shares over SMB2 or 3.
    smbc_setOptionProtocols(context, "NT1", "SMB3");
  else
    // Workgroup and server lists exist only in SMB1; with a wider range
    // libsmbclient returns nothing, without an error.
    smbc_setOptionProtocols(context, "NT1", "NT1");
}

// The shares of the computer the request names, as the logged-on user. The
// target is the address the platform resolved for it, or the name itself
// when it resolved none.
platform::SmbListing listShares(SMBCCTX *context, const Request &request) {
  const std::string &name = request.name.empty() ? request.target : request.name;
  const std::string address =
      platform::logon::isAddressText(request.target) ? request.target : std::string();
  return platform::logon::listShares(context, name, address);
}

} // namespace

bool startSession() {
  return context(What::Shares) != nullptr;
}

Answer listContainer(const Request &request) {
  SMBCCTX *smb = context(request.what);
  if (smb == nullptr)
    return {Outcome::NoSession, 0, {}};
  useProtocolsFor(smb, request.what);
  try {
    platform::SmbListing listing =
        request.what == What::Shares
            ? listShares(smb, request)
            : platform::readSmbDirectory(
                  smb, request.target.empty() ? "smb://" : platform::smbUrl(request.target));
    if (!listing.opened)
      return {Outcome::Failed, static_cast<uint32_t>(listing.error), {}};
    return {Outcome::Listed, 0, std::move(listing.entries)};
  } catch (const std::bad_alloc &) {
    return {Outcome::Failed, ENOMEM, {}};
  }
}

} // namespace browseworker
