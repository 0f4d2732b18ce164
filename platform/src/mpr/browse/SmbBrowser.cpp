// The NetBIOS browse list and share listings, browsing as guest, through
// the browse workers (mpr/browse/BrowseWorkers.h): this process never loads
// libsmbclient. A computer is first asked whether it accepts a connection at
// all, so that one that is switched off never holds a worker. Listing a
// level starts the listings of the level below on the work ahead's threads
// (common/WorkAhead.h), and the workers do them side by side.
#include "mpr/MprBackends.h"
#include "common/WorkAhead.h"
#include "iphlpapi/ArpVerdict.h"
#include "mpr/browse/BrowseWorkers.h"
#include "mpr/browse/SmbReachability.h"
#include "ws2_32/Ws2_32Backends.h"
#include "common/Switches.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <new>

namespace {

using platform::BrowseEntry;
namespace ahead = platform::ahead;

std::string dottedAddress(in_addr address) {
  char text[INET_ADDRSTRLEN] = "";
  if (inet_ntop(AF_INET, &address, text, sizeof text) == nullptr)
    return {};
  return text;
}

// A failed browse call as a WNet error. libsmbclient reports an unknown
// workgroup or computer as refused, unreachable or not found alike.
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
// of the computer `name` at `host` (a dotted address, or the name for
// libsmbclient to look up), by a worker, which logs on to it as the user
// (worker/logon/ShareLogon.h). A worker that did not answer in time stands
// for a computer that did not.
ahead::Listing listByWorker(const std::string &container, bool computer, const std::string &host,
                            const std::string &name = {}) {
  namespace records = platform::browseworker;
  const records::Request request{computer ? records::What::Shares : records::What::BrowseList,
                                 computer ? host : container, computer ? name : std::string()};
  const std::optional<records::Answer> answer =
      platform::browseworkers::list(request, computer ? host : std::string());
  if (!answer)
    return {errorFor(container.empty(), ETIMEDOUT), {}};
  switch (answer->outcome) {
  case records::Outcome::Listed:
    return {NO_ERROR, answer->entries};
  case records::Outcome::Failed:
    return {errorFor(container.empty(), static_cast<int>(answer->error)), {}};
  case records::Outcome::NoSession:
    break;
  }
  return {ERROR_NO_NETWORK, {}};
}

// A computer's shares: its address first (published for gethostbyname), then
// whether it answers at all, then the listing by a worker.
void listComputer(const std::string &name, ahead::Work &work) {
  const std::optional<platform::HostEntry> host = platform::currentResolver().byName(name);
  work.publishHost(host);
  // Given a name it has no connection for, libsmbclient first asks the
  // network whether the name is a workgroup's, and waits out that broadcast
  // (about half a second per computer) before it connects; given an address
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
  work.publishListing(
      listByWorker("\\\\" + name, true, address ? dottedAddress(*address) : name, name));
}

void steps(const std::string &container, ahead::Work &work);

// What the search lists next: the workgroups of the top level, the computers
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
    return listComputer(container.substr(2), work);
  ahead::Listing listing = listByWorker(container, false, {});
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

// Workers started when a search begins, beside the one listing the top level:
// one for each workgroup an office has, and a few for its first computers.
constexpr size_t kWorkersAhead = 6;

class SmbBrowser final : public platform::BrowseBackend {
public:
  DWORD list(const std::string &container, std::vector<BrowseEntry> &entries) override {
    if (container.empty()) {
      ahead::startSearch();
      platform::browseworkers::startAhead(kWorkersAhead);
    }
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
