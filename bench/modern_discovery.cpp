// Browsing and name resolution on the LAN of today (lab/lan-modern).
//
//   lab/lan-modern exec <build>/bin/bench_modern_discovery [rounds]
//
// Prints, each as the median of `rounds` (default 5) fresh processes, so
// that nothing is cached:
//   top     the top-level listing: the NetBIOS browse request with the
//           WS-Discovery probe beside it
//   walk    the search's whole three-level walk (workgroups, computers,
//           shares), as Button5Click walks it
// both with every source and with VELNOR_WSD=0 (what NetBIOS alone finds);
// then in-process: a second walk (the discovery result kept), and the mDNS
// lookup of BOREAS (median of 21) and its give-up time for a name nobody
// holds; and what WS-Discovery probe windows of 250 ms to 1 s find. bench/discovery_bench.sh runs
// this beside Avahi's avahi-resolve and the SMB1 lab's walk against smbtree.
#include "TimedCommand.h"
#include "integration/modern_lab/ModernLab.h"

#include "net/wsd/WsdClient.h"
#include "ws2_32/resolver/MdnsLink.h"

#include <WSockUtils.h>

#include <arpa/inet.h>
#include <net/if.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;
namespace lab = velnor::modernlab;

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Walk {
  int workgroups = 0, computers = 0, shares = 0;
};

Walk walk(bool whole) {
  Walk found;
  QStringList workgroups;
  WSockUtils::EnumerateNetworkNames(QString(), workgroups);
  found.workgroups = static_cast<int>(workgroups.size());
  if (!whole)
    return found;
  for (const QString &workgroup : workgroups) {
    QStringList computers;
    WSockUtils::EnumerateNetworkNames(workgroup, computers);
    found.computers += static_cast<int>(computers.size());
    for (const QString &computer : computers) {
      QStringList shares;
      WSockUtils::EnumerateNetworkNames(computer, shares);
      found.shares += static_cast<int>(shares.size());
    }
  }
  return found;
}

// The child's part: one listing or walk, its in-process time and counts.
int child(bool whole) {
  const Clock::time_point start = Clock::now();
  const Walk found = walk(whole);
  std::printf("%.1f %d %d %d\n", Milliseconds(Clock::now() - start).count(), found.workgroups,
              found.computers, found.shares);
  return 0;
}

struct Timed {
  double processMs = 0, ownMs = 0;
  Walk found;
};

Timed runChild(const std::string &command) {
  Timed timed;
  const Clock::time_point start = Clock::now();
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr)
    return timed;
  if (std::fscanf(pipe, "%lf %d %d %d", &timed.ownMs, &timed.found.workgroups,
                  &timed.found.computers, &timed.found.shares) != 4)
    timed.ownMs = -1;
  pclose(pipe);
  timed.processMs = Milliseconds(Clock::now() - start).count();
  return timed;
}

void report(const char *what, const std::string &command, int rounds) {
  std::vector<double> process, own;
  Walk found;
  for (int i = 0; i < rounds; ++i) {
    const Timed timed = runChild(command);
    process.push_back(timed.processMs);
    own.push_back(timed.ownMs);
    found = timed.found;
  }
  std::printf("%-34s %8.1f ms (in-process %8.1f)   %d workgroups, %d computers, %d shares\n", what,
              median(process), median(own), found.workgroups, found.computers, found.shares);
}

double timedLookup(platform::MdnsLink &link, const char *name, bool &found) {
  const Clock::time_point start = Clock::now();
  found = link.byName(name).has_value();
  return Milliseconds(Clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv) {
  // Probes and multicast queries: only ever inside the modern lab.
  if (std::getenv("VELNOR_LAB") == nullptr || !lab::inClientNamespace()) {
    std::fprintf(stderr,
                 "bench_modern_discovery: run it inside the modern lab: "
                 "lab/lan-modern exec %s\n",
                 argv[0]);
    return 77;
  }
  if (argc > 1 && (std::string(argv[1]) == "--top" || std::string(argv[1]) == "--walk"))
    return child(std::string(argv[1]) == "--walk");
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  const std::string me = bench::selfCommand();
  if (me.empty())
    return 1;
  // Wakes Samba's on-demand RPC services, which the first share listing of
  // each server would otherwise wait for.
  runChild(me + " --walk");
  std::printf("modern lab, median of %d fresh processes:\n", rounds);
  report("top level, every source", me + " --top", rounds);
  report("top level, VELNOR_WSD=0", "VELNOR_WSD=0 " + me + " --top", rounds);
  report("whole walk, every source", me + " --walk", rounds);
  report("whole walk, VELNOR_WSD=0", "VELNOR_WSD=0 " + me + " --walk", rounds);

  const Clock::time_point start = Clock::now();
  walk(true);
  const double first = Milliseconds(Clock::now() - start).count();
  const Clock::time_point again = Clock::now();
  walk(true);
  std::printf("in one process: first walk %.1f ms, second walk %.1f ms (discovery kept)\n", first,
              Milliseconds(Clock::now() - again).count());

  std::vector<platform::Ipv4Interface> interfaces;
  platform::Ipv4Interface eth0;
  eth0.address = inet_addr(std::string(lab::kClientAddress).c_str());
  eth0.netmask = inet_addr("255.255.255.0");
  eth0.index = static_cast<int>(if_nametoindex("eth0"));
  interfaces.push_back(eth0);
  // The probe window: what windows of APP_MAX_DELAY (500 ms) plus a margin
  // keep, against the 1 s one, as computers found per run (of 3).
  for (const int window : {250, 600, 700, 1000}) {
    std::vector<double> found, times;
    for (int i = 0; i < 20; ++i) {
      platform::wsd::DiscoveryTimes windowed;
      windowed.probeWindow = std::chrono::milliseconds(window);
      const Clock::time_point started = Clock::now();
      found.push_back(
          static_cast<double>(platform::wsd::discoverComputers(interfaces, windowed).size()));
      times.push_back(Milliseconds(Clock::now() - started).count());
    }
    std::printf(
        "probe window %4d ms: computers found min %.0f median %.0f of 20 runs, run %.0f ms\n",
        window, *std::min_element(found.begin(), found.end()), median(found), median(times));
  }
  platform::MdnsLink mdns([&] { return platform::MdnsSettings{true, interfaces}; });
  std::vector<double> lookups;
  bool allFound = true;
  for (int i = 0; i < 21; ++i) {
    bool found = false;
    lookups.push_back(timedLookup(mdns, "boreas", found));
    allFound = allFound && found;
  }
  bool unknownFound = false;
  const double giveUp = timedLookup(mdns, "nosuchhost", unknownFound);
  std::printf(
      "mDNS boreas.local: median %.2f ms of 21 (%s); give-up for nosuchhost.local %.1f ms\n",
      median(lookups), allFound ? "all answered" : "SOME UNANSWERED", giveUp);
  return allFound && !unknownFound ? 0 : 1;
}
