// The NetBIOS browse list and share listings through libsmbclient: the
// browse list as guest, each server's shares as the logged-on user
// (logon/ShareLogon.h) and then as guest. One context
// serves each process, so connections to servers are kept and reused.
// A server is first asked whether it accepts a connection at all, outside
// the lock, so that one that is switched off stalls only its own listing.
// Listing a level starts the listings of the level below on the work ahead's
// threads (common/WorkAhead.h).
#include "mpr/MprBackends.h"
#include "common/ProcessLocal.h"
#include "common/WorkAhead.h"
#include "iphlpapi/ArpVerdict.h"
#include "mpr/browse/SmbDirectory.h"
#include "mpr/browse/SmbReachability.h"
#include "mpr/browse/SmbUrl.h"
#include "mpr/browse/logon/ShareLogon.h"
#include "ws2_32/Ws2_32Backends.h"
#include "common/Switches.h"

#include <libsmbclient.h>

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <mutex>
#include <new>

namespace {

using platform::BrowseEntry;
namespace ahead = platform::ahead;

// libsmbclient's state in one process: the context and the lock around it.
//
// The protocol range is a setting of the whole library (smbc_setOptionProtocols
// sets smb.conf's "client min/max protocol" for the process), and so is much
// else: Debian's libsmbclient does not export smbc_thread_posix, without
// which its per-call state is process-global too. So every call holds the
// lock, and the wait for a server that does not answer never runs under it.
struct SmbSession {
  std::mutex lock;
  // Created on first use and kept until the process ends, with the server
  // connections it caches; null until then, and while libsmbclient cannot
  // start.
  SMBCCTX *context = nullptr;
};

// A forked child leaves the parent's session untouched: a request sent on an
// inherited connection moves the server's message ids on under the parent,
// whose next request smbd then refuses by dropping the connection, and
// closing or freeing the context would log the parent's session off. As on
// Windows, where no process can break another's connections, the child
// starts a session of its own.
platform::ProcessLocal<SmbSession> processSession([] { return new SmbSession; });

SmbSession &currentSession() {
  return processSession.get();
}

// How long libsmbclient waits for a server's answer once connected (its
// default is 20 s). Windows' redirector gives a request tens of seconds
// (SessTimeout, 60 s by default) before it drops the session; here a server
// that accepted the connection and then went silent holds every other
// listing, and a live one answers within milliseconds on a LAN, so 10 s:
// the same order, at its short end.
constexpr int kSmbOperationTimeoutMs = 10000;

// The session's context, made now if it has none; call with its lock held.
SMBCCTX *sessionContext(SmbSession &session) {
  SMBCCTX *&context = session.context;
  if (context != nullptr)
    return context;
  SMBCCTX *fresh = smbc_new_context();
  if (fresh == nullptr)
    return nullptr;
  smbc_setOptionDebugToStderr(fresh, true);
  platform::logon::prepareContext(fresh);
  smbc_setTimeout(fresh, kSmbOperationTimeoutMs);
  if (smbc_init_context(fresh) == nullptr) {
    smbc_free_context(fresh, 0);
    return nullptr;
  }
  platform::logon::settleContext(fresh);
  context = fresh;
  return context;
}

std::string dottedAddress(in_addr address) {
  char text[INET_ADDRSTRLEN] = "";
  if (inet_ntop(AF_INET, &address, text, sizeof text) == nullptr)
    return {};
  return text;
}

// A failed browse call as a WNet error. libsmbclient reports an unknown
// workgroup or server as refused, unreachable or not found alike.
DWORD errorFor(bool topLevel, int error) {
  if (topLevel || error == 0) // 0: the browse service did not answer at all
    return ERROR_NO_NETWORK;
  switch (error) {
  case EACCES:
  case EPERM:
    return ERROR_ACCESS_DENIED;
  case ENOMEM:
    return ERROR_NOT_ENOUGH_MEMORY;
  default:
    return ERROR_BAD_NETPATH;
  }
}

// A listing of the top level or a workgroup (over SMB1), or of the shares
// of the computer `name` at `address` (dotted; empty for libsmbclient to
// look the name up).
ahead::Listing listUnderLock(const std::string &container, bool server, const std::string &name,
                             const std::string &address) {
  SmbSession &session = currentSession();
  std::lock_guard lock(session.lock);
  SMBCCTX *context = sessionContext(session);
  if (context == nullptr)
    return {ERROR_NO_NETWORK, {}};
  if (server) {
    // Servers without SMB1 list their shares over SMB2 or 3.
    smbc_setOptionProtocols(context, "NT1", "SMB3");
  } else {
    // Workgroup and server lists exist only in SMB1; with a wider range
    // libsmbclient returns nothing, without an error.
    smbc_setOptionProtocols(context, "NT1", "NT1");
  }
  platform::SmbListing listing =
      server ? platform::logon::listShares(context, name, address)
             : platform::readSmbDirectory(context, container.empty() ? "smb://"
                                                                     : platform::smbUrl(container));
  if (!listing.opened)
    return {errorFor(container.empty(), listing.error), {}};
  return {NO_ERROR, std::move(listing.entries)};
}

// A server's shares: its address first (published for gethostbyname), then
// whether it answers at all, then the listing, which is the only step that
// holds the lock. Resolved and reached outside it: both may wait on the
// network.
void listServer(const std::string &name, ahead::Work &work) {
  const std::optional<platform::HostEntry> host = platform::currentResolver().byName(name);
  work.publishHost(host);
  // Given a name it has no connection for, libsmbclient first asks the
  // network whether the name is a workgroup's, and waits out that broadcast
  // (about half a second per server) before it connects; given an address
  // it connects at once.
  std::optional<in_addr> address;
  if (host && !host->addresses.empty())
    address = in_addr{host->addresses.front()}; // network order, as in a hostent
  // A name the resolver does not know goes to libsmbclient's own lookup,
  // which is NetBIOS.
  if (!address && !platform::netbiosEnabled())
    return work.publishListing({ERROR_BAD_NETPATH, {}});
  if (address &&
      (platform::recentlyUnreachable(address->s_addr) || !platform::smbPortAnswers(*address)))
    return work.publishListing({ERROR_BAD_NETPATH, {}});
  work.publishListing(
      listUnderLock("\\\\" + name, true, name, address ? dottedAddress(*address) : std::string()));
}

void steps(const std::string &container, ahead::Work &work);

// What the walk lists next: the workgroups of the top level, the computers
// of a workgroup.
void prepareBelow(const std::string &container, const std::vector<BrowseEntry> &entries) {
  const BrowseEntry::Kind next =
      container.empty() ? BrowseEntry::Kind::Workgroup : BrowseEntry::Kind::Computer;
  std::vector<std::string> containers;
  for (const BrowseEntry &entry : entries)
    if (entry.kind == next && !entry.name.empty())
      containers.push_back(container.empty() ? entry.name : "\\\\" + entry.name);
  ahead::prepare(containers, steps);
}

// The steps of one listing, wherever they run.
void steps(const std::string &container, ahead::Work &work) {
  if (container.rfind("\\\\", 0) == 0)
    return listServer(container.substr(2), work);
  ahead::Listing listing = listUnderLock(container, false, {}, {});
  if (listing.status == NO_ERROR)
    prepareBelow(container, listing.entries);
  work.publishListing(std::move(listing));
}

class SmbBrowser final : public platform::BrowseBackend {
public:
  DWORD list(const std::string &container, std::vector<BrowseEntry> &entries) override {
    if (container.empty())
      ahead::startWalk();
    const ahead::Listing listing = ahead::list(container, steps);
    if (listing.status != NO_ERROR)
      return listing.status;
    entries.insert(entries.end(), listing.entries.begin(), listing.entries.end());
    return NO_ERROR;
  }
};

} // namespace

platform::BrowseBackend &platform::smbBrowser() {
  static auto &browser = *new SmbBrowser;
  return browser;
}
