// What the platform does ahead of a search of the browse list, as the services
// of a Windows machine know answers before a program asks for them.
//
// A program searches the browse list one call after another: a workgroup's
// computers, then for each computer its shares, its address and its MAC
// address. When a level is listed, the platform starts the next steps for
// every name below it on a few threads of its own; the program's call then
// takes the result that is ready, or runs the step itself when no thread has
// started it yet, or waits for the thread that has. A switched-off computer
// then costs its timeouts once, beside the others, instead of one after the
// other.
//
// A result counts only within the search that prepared it (a search starts when
// the top level is listed) and while it is younger than kTrustFor: a program
// never gets from here what an earlier search found.
#pragma once

#include <platform/backends.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace platform::ahead {

using Clock = std::chrono::steady_clock;

// Threads working ahead at most. Each holds at most one lookup's sockets (a
// name query, two connection attempts to a server's SMB ports, or a share
// listing), so the work in flight stays under about 50 descriptors and 16
// neighbour entries being resolved. 16 switched-off computers then cost one
// ARP timeout together, and the live ones of an office LAN are each done in
// milliseconds.
inline constexpr size_t kWorkers = 16;

// How long a prepared result stands for the network. Windows' neighbour cache
// keeps an address reachable for 15 to 45 s (ReachableTime) and its NetBIOS
// name cache for minutes; one search of an office LAN takes seconds. 10 s is
// below all of them and long enough for a search to reach every computer
// whose steps were started when its workgroup was listed.
inline constexpr std::chrono::seconds kTrustFor{10};

// Computers and workgroups prepared at most, counted within a search: a
// process that never lists the top level (a library caller listing
// workgroups or servers itself) makes room by dropping what is older than
// kTrustFor. Names beyond them are looked up when the program asks, as
// without the work ahead.
inline constexpr size_t kMaxPrepared = 512;

// Addresses whose resolution a search's own step saw fail, at most; the ones
// beyond are asked again.
inline constexpr size_t kMaxUnreachable = 512;

// False with VELNOR_WORKAHEAD=0: every call then does its own work.
bool enabled();

// The top level is being listed: a new search starts, and whatever was
// prepared before it is no longer used.
void startSearch();

// An address whose ARP resolution failed under a step of the current search
// (iphlpapi/ArpVerdict.h); nothing is kept before the first search.
void noteUnreachable(uint32_t address, Clock::time_point when);
// When the current search last saw the address fail, if it did.
std::optional<Clock::time_point> unreachableSince(uint32_t address);

// A listing of one container as the browse backend reports it.
struct Listing {
  DWORD status = ERROR_BAD_NETPATH;
  std::vector<BrowseEntry> entries;
};

// What the work ahead knows of a computer's address.
enum class AddressStep {
  NotPrepared, // nobody has it ready: the caller resolves the name itself
  Unresolved,  // done: the name does not resolve
  Resolved,    // done: `host` is the answer
};

struct PreparedHost {
  AddressStep step = AddressStep::NotPrepared;
  HostEntry host; // when Resolved
};

class Work;
// The steps for one container: they publish the listing, and for a computer
// first its address.
using Steps = std::function<void(const std::string &container, Work &work)>;

// One prepared piece of work and its results. The thread that claims it runs
// it; everyone else waits for the results it publishes.
//
// A speculative run (on a pool thread) never decides a result by failing:
// whatever it did not publish when it failed (out of memory, no thread) is
// "not prepared", and the caller who needs it does the step itself, as
// without the work ahead.
class Work {
public:
  // Runs the steps if nobody has claimed them yet. A caller's own run lets
  // what the steps throw pass on, as the call without the work ahead does.
  void run(const std::string &container, const Steps &steps, bool speculative);

  // The address step's result, once it is known (the runner publishes it
  // before it goes on).
  void publishHost(std::optional<HostEntry> host);
  void publishListing(Listing listing);

  // The listing, waiting for the runner; std::nullopt when its run failed
  // before it was published.
  std::optional<Listing> listing();
  // The address step's result: ready, or waited for when another thread
  // runs the work; NotPrepared when nobody has started it, when the caller
  // is the one running it, or when the run failed before it.
  PreparedHost host();

private:
  bool claim();
  void fail();

  std::mutex lock_;
  std::condition_variable changed_;
  bool claimed_ = false;
  bool failed_ = false;
  std::thread::id runner_;
  PreparedHost host_;
  std::optional<Listing> listing_;
};

// Queues the steps for each container (a workgroup, or "\\\\NAME") not yet
// prepared in this search, while enabled(). They run with the switches of the
// thread that prepares them.
void prepare(const std::vector<std::string> &containers, const Steps &steps);

// The listing of a container: the prepared one of this search while it is
// fresh (its listing is handed out once: a second listing of the same
// container does its own work again), else what the steps give now.
Listing list(const std::string &container, const Steps &steps);

// The prepared address of a computer, without taking its work. Only for the
// name as the browse list spelled it: the address step's answer (its h_name)
// may depend on the spelling, and another spelling is resolved as asked.
PreparedHost preparedHost(const std::string &name);

} // namespace platform::ahead
