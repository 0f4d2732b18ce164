#include "common/SystemDiscovery.h"
#include "common/Switches.h"
#include "iphlpapi/IphlpapiBackends.h"
#include "net/wsd/AnnouncementListener.h"
#include "net/wsd/WsdClient.h"

#include <unistd.h>

#include <atomic>
#include <thread>

namespace {

using platform::wsd::DiscoveredComputer;

// How often the listener looks whether the kept result is due for a new
// probe, and how long one Hello's metadata may take.
constexpr std::chrono::milliseconds kListenSlice{500};
constexpr std::chrono::milliseconds kHelloGetTimeout{1000};

// The process that listens; a forked child starts a listener of its own.
std::atomic<pid_t> listeningProcess{0};

// After the first probe, for the rest of the process: Hello and Bye keep the
// kept result current, and a probe beside runs when it has grown old.
void listenForAnnouncements() {
  const pid_t self = ::getpid();
  if (listeningProcess.exchange(self) == self)
    return;
  try {
    std::thread([] {
      platform::wsd::AnnouncementListener listener(platform::upIpv4Interfaces());
      if (listener.empty())
        return;
      platform::wsd::DiscoveryCache &cache = platform::systemDiscovery();
      cache.keepCurrent();
      for (;;) {
        listener.listenUntil(
            platform::DatagramClock::now() + kListenSlice,
            [&](DiscoveredComputer computer) { cache.joined(std::move(computer)); },
            [&](const std::string &endpoint) { cache.left(endpoint); }, kHelloGetTimeout);
        if (cache.refreshDue() && platform::wsDiscoveryEnabled())
          cache.refresh();
      }
    }).detach();
  } catch (const std::system_error &) {
    // Without a thread, every walk probes as before.
    listeningProcess = 0;
  }
}

} // namespace

platform::wsd::DiscoveryCache &platform::systemDiscovery() {
  // Never destroyed: the resolver's and the listener's threads may ask for
  // it at exit.
  static auto &cache =
      *new wsd::DiscoveryCache([] { return wsd::discoverComputers(upIpv4Interfaces()); });
  return cache;
}

std::vector<platform::wsd::DiscoveredComputer> platform::discoveredComputers() {
  if (!wsDiscoveryEnabled())
    return {};
  std::vector<wsd::DiscoveredComputer> computers = systemDiscovery().computers();
  listenForAnnouncements();
  return computers;
}
