// NetBIOS name resolution on the test LAN, next to Samba's nmblookup.
//
//   lab/lan exec <build>/bin/bench_netbios_resolve [rounds]
//
// Prints, each as the median of `rounds` (default 21):
//   name query     a broadcast name query for VLSRV2 in-process, the whole
//                  gethostbyname("VLSRV2") (hosts, DNS, WINS), and
//                  `nmblookup VLSRV2` as a process (it prints no time itself)
//   node status    a node status request to 10.77.0.12 in-process, the whole
//                  gethostbyaddr, and `nmblookup -A 10.77.0.12` as a process
//   WINS negative  a WINS query for an unknown name, answered negatively
// and, three times each, the give-up time for an unknown name by broadcast
// alone (no WINS) and with the lab's WINS server configured.
// Targets: broadcast query < 5 ms; give-up without WINS <= 2.4 s; WINS
// negative answer < 50 ms.
#include "TimedCommand.h"
#include "integration/Lab.h"

#include "net/netbios/NetbiosClient.h"
#include "ws2_32/resolver/NetbiosLink.h"

#include <winsock.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace nb = platform::netbios;
namespace lab = velnor::lab;
using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

constexpr const char *kName = "VLSRV2";
constexpr const char *kAddress = "10.77.0.12";
constexpr const char *kBroadcast = "10.77.0.255";

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Median time of `rounds` calls; every call must succeed.
double timed(int rounds, const std::function<bool()> &call, bool &ok) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    const Clock::time_point start = Clock::now();
    ok = call() && ok;
    times.push_back(Milliseconds(Clock::now() - start).count());
  }
  return median(times);
}

bool run(const std::string &command, const std::string &expected) {
  const bench::CommandRun done = bench::runTimed(command + " 2>/dev/null");
  return done.ok && done.output.find(expected) != std::string::npos;
}

void report(const char *what, double ms, bool ok, const char *target = "") {
  std::printf("%-42s %9.2f ms  %s%s\n", what, ms, ok ? "" : "(FAILED) ", target);
}

} // namespace

int main(int argc, char **argv) {
  if (!lab::inClientNamespace()) {
    std::fprintf(stderr, "bench_netbios_resolve: run it inside the lab: lab/lan exec %s\n",
                 argv[0]);
    return 2;
  }
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
  WSADATA data;
  WSAStartup(257, &data);
  const nb::Name name = *nb::hostName(kName);
  const uint32_t address = inet_addr(kAddress);
  const uint32_t broadcast = inet_addr(kBroadcast);
  const uint32_t wins = inet_addr(std::string(lab::kClientWinsServer).c_str());

  bool ok = true;
  const double query = timed(
      rounds,
      [&] {
        return nb::queryName(name, {broadcast}, true, platform::NetbiosLink::kBroadcastRetries)
                   .outcome == nb::QueryOutcome::Found;
      },
      ok);
  report("broadcast name query (in-process)", query, ok, "target < 5 ms");
  ok = true;
  const double whole = timed(
      rounds, [&] { return gethostbyname(kName) != nullptr; }, ok);
  report("gethostbyname (hosts, DNS, WINS)", whole, ok);
  ok = true;
  const double tool = timed(
      rounds, [&] { return run(std::string("nmblookup ") + kName, kAddress); }, ok);
  report("nmblookup NAME (process; prints no time)", tool, ok);
  std::printf("%-42s %9.4f\n", "ratio in-process / nmblookup", query / tool);

  ok = true;
  const double status = timed(
      rounds,
      [&] {
        return nb::queryNodeStatus(address, platform::NetbiosLink::kNodeStatusRetries).has_value();
      },
      ok);
  report("node status (in-process)", status, ok);
  ok = true;
  const double reverse = timed(
      rounds,
      [&] {
        return gethostbyaddr(reinterpret_cast<const char *>(&address), 4, AF_INET) != nullptr;
      },
      ok);
  report("gethostbyaddr (hosts, DNS, node status)", reverse, ok);
  ok = true;
  const double toolStatus = timed(
      rounds, [&] { return run(std::string("nmblookup -A ") + kAddress, kName); }, ok);
  report("nmblookup -A ADDRESS (process)", toolStatus, ok);

  const nb::Name unknown = *nb::hostName("NOSUCHHOST");
  ok = true;
  const double negative = timed(
      rounds,
      [&] {
        return nb::queryName(unknown, {wins}, false, platform::NetbiosLink::kWinsRetries).outcome ==
               nb::QueryOutcome::Negative;
      },
      ok);
  report("WINS negative answer (in-process)", negative, ok, "target < 50 ms");

  ok = true;
  const double giveUp = timed(
      3,
      [&] {
        return nb::queryName(unknown, {broadcast}, true, platform::NetbiosLink::kBroadcastRetries)
                   .outcome == nb::QueryOutcome::NoAnswer;
      },
      ok);
  report("give-up, broadcast only (no WINS)", giveUp, ok, "target <= 2400 ms");
  ok = true;
  const double giveUpWithWins = timed(
      3, [&] { return gethostbyname("NOSUCHHOST") == nullptr; }, ok);
  report("give-up, gethostbyname with WINS", giveUpWithWins, ok);
  WSACleanup();
  return 0;
}
