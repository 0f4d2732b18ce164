#include "common/SystemDiscovery.h"
#include "common/PlatformThread.h"
#include "common/ProcessLocal.h"
#include "common/Switches.h"
#include "iphlpapi/IphlpapiBackends.h"
#include "net/LibraryGate.h"
#include "net/LookupCancellation.h"
#include "net/wsd/AnnouncementListener.h"
#include "net/wsd/WsdClient.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace {

using platform::wsd::DiscoveredComputer;

// How long one Hello's metadata may take.
constexpr std::chrono::milliseconds kHelloGetTimeout{1000};
// How long the listener waits in one go; Hellos whose metadata did not come
// are asked again between two waits.
constexpr std::chrono::milliseconds kListenSlice{500};

// The kept WS-Discovery result of one process and the thread that keeps it
// current. A forked child makes its own (common/ProcessLocal.h): the
// parent's list, listener and lock are the parent's.
struct Discovery {
  platform::wsd::DiscoveryCache cache{
      [] { return platform::wsd::discoverComputers(platform::upIpv4Interfaces()); }};
  std::once_flag listening;
  std::thread listener;
  std::atomic<bool> stop{false};
  // Wakes the listener out of its wait when it is told to stop.
  int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
};

platform::ProcessLocal<Discovery> processDiscovery([] { return new Discovery; });

// Hello and Bye keep the kept result current between two searches.
void listen(Discovery &discovery) {
  platform::wsd::AnnouncementListener listener(platform::upIpv4Interfaces());
  if (listener.empty())
    return;
  const platform::LookupCancellation stopping(discovery.stop, discovery.wake);
  while (!discovery.stop.load(std::memory_order_acquire))
    listener.listenUntil(
        platform::DatagramClock::now() + kListenSlice,
        [&](DiscoveredComputer computer) { discovery.cache.joined(std::move(computer)); },
        [&](const std::string &endpoint) { discovery.cache.left(endpoint); }, kHelloGetTimeout);
}

// At exit, before the libraries' own destructors run (they were registered
// when the process started, so they run after every atexit handler): the
// listener of this process stops and is joined, and no platform thread is
// left inside libxml2 or libcurl.
void stopAtExit() {
  Discovery &discovery = processDiscovery.get();
  discovery.stop.store(true, std::memory_order_release);
  if (discovery.wake >= 0) {
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(discovery.wake, &one, sizeof one);
  }
  if (discovery.listener.joinable() && discovery.listener.get_id() != std::this_thread::get_id())
    discovery.listener.join();
  platform::closeLibraryGateForExit();
}

void listenForAnnouncements(Discovery &discovery) {
  std::call_once(discovery.listening, [&] {
    // A child inherits the registration with the rest of the parent's
    // memory; stopAtExit then stops the child's own listener.
    static const bool registered = std::atexit(stopAtExit) == 0;
    if (!registered)
      return;
    try {
      discovery.listener = platform::platformThread([&discovery] { listen(discovery); });
    } catch (const std::system_error &) {
      // Without a thread, every search takes a result no older than kKeepFor
      // as before; it is only not kept current in between.
    }
  });
}

} // namespace

platform::wsd::DiscoveryCache &platform::systemDiscovery() {
  return processDiscovery.get().cache;
}

std::vector<platform::wsd::DiscoveredComputer> platform::discoveredComputers() {
  if (!wsDiscoveryEnabled())
    return {};
  Discovery &discovery = processDiscovery.get();
  // Without the work ahead nothing is kept between searches, and nothing
  // listens: every search probes, as the sequential way does.
  if (!workAheadEnabled())
    return discovery.cache.runWithoutKeeping();
  std::vector<wsd::DiscoveredComputer> computers = discovery.cache.computers();
  listenForAnnouncements(discovery);
  return computers;
}
