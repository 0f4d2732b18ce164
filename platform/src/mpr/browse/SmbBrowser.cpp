// The NetBIOS browse list and share listings through libsmbclient, browsing
// as guest. One context
// serves each process, so connections to servers are kept and reused.
// A server is first asked whether it accepts a connection at all, outside
// the lock, so that one that is switched off stalls only its own listing.
// Listing a level starts the listings of the level below on the work ahead's
// threads (common/WorkAhead.h).
#include "mpr/MprBackends.h"
#include "common/ProcessLocal.h"
#include "common/WorkAhead.h"
#include "iphlpapi/ArpVerdict.h"
#include "mpr/browse/SmbReachability.h"
#include "mpr/browse/SmbUrl.h"
#include "ws2_32/Ws2_32Backends.h"
#include "common/Switches.h"

#include <libsmbclient.h>

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
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

void guestCredentials(SMBCCTX *, const char *, const char *, char *, int, char *user,
                      int userLength, char *password, int passwordLength) {
  if (userLength > 0)
    std::snprintf(user, static_cast<size_t>(userLength), "%s", "guest");
  if (passwordLength > 0)
    password[0] = '\0';
}

// The session's context, made now if it has none; call with its lock held.
SMBCCTX *sessionContext(SmbSession &session) {
  SMBCCTX *&context = session.context;
  if (context != nullptr)
    return context;
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
  context = fresh;
  return context;
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

// A listing of the top level or a workgroup (over SMB1), or of a server's
// shares at `host` (a dotted address, or a name for libsmbclient to look up).
ahead::Listing listUnderLock(const std::string &container, bool server, const std::string &host) {
  const std::string url = server              ? platform::smbUrl(host)
                          : container.empty() ? "smb://"
                                              : platform::smbUrl(container);
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
  errno = 0;
  OpenDirectory directory(context, url);
  if (!directory.isOpen())
    return {errorFor(container.empty(), errno), {}};
  ahead::Listing listing{NO_ERROR, {}};
  while (const smbc_dirent *entry = directory.next())
    listing.entries.push_back(
        {kindOf(entry->smbc_type), entry->name, entry->comment != nullptr ? entry->comment : ""});
  return listing;
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
  if (address && platform::recentlyUnreachable(address->s_addr))
    return work.publishListing({ERROR_BAD_NETPATH, {}});
  const ahead::Clock::time_point attemptStart = ahead::Clock::now();
  if (address && !platform::smbPortAnswers(*address)) {
    platform::noteIfUnreachable(address->s_addr, attemptStart);
    return work.publishListing({ERROR_BAD_NETPATH, {}});
  }
  work.publishListing(listUnderLock("\\\\" + name, true, address ? dottedAddress(*address) : name));
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
  ahead::Listing listing = listUnderLock(container, false, {});
  // Preparing the level below is speculative: its failing (out of memory,
  // no thread) must not change this listing; the level below is then
  // listed when the program asks for it.
  if (listing.status == NO_ERROR) {
    try {
      prepareBelow(container, listing.entries);
    } catch (...) {
    }
  }
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
