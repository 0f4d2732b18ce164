// Share listings while another thread lists a server that is switched off.
//
//   lab/lan exec <build>/bin/bench_dead_server_browse [rounds]
//
// Per round, each in a fresh enumeration through GetNetResource:
//   alone   VLSRV1's shares, by address, with nothing else running
//   dead    10.77.0.99's shares (no host answers ARP for it)
//   beside  VLSRV1's shares, started 100 ms after the dead listing, on
//           another thread while that one still waits
// Target: beside stays near alone, far below dead.
#include "integration/Lab.h"

#include <velnip.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

void ignoreName(void *, const char *) {}

double timedListing(const std::string &container, bool &listed) {
  VELNIP_STRING_LIST list{nullptr, &ignoreName};
  const Clock::time_point start = Clock::now();
  listed = GetNetResource(container.c_str(), &list) != 0;
  return Milliseconds(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const std::string live = "\\\\" + std::string(velnor::lab::kVlsrv1.address);
  const std::string dead = "\\\\" + std::string(velnor::lab::kNoHostAddress);
  std::vector<double> alone, deadTimes, beside;
  for (int round = 0; round < rounds; ++round) {
    bool liveListed = false, deadListed = true;
    alone.push_back(timedListing(live, liveListed));
    double deadMs = 0;
    std::thread deadThread([&] { deadMs = timedListing(dead, deadListed); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    bool besideListed = false;
    beside.push_back(timedListing(live, besideListed));
    deadThread.join();
    deadTimes.push_back(deadMs);
    std::printf("round %d: alone %.1f ms%s, dead %.1f ms%s, beside %.1f ms%s\n", round + 1,
                alone.back(), liveListed ? "" : " (failed)", deadMs, deadListed ? " (listed?)" : "",
                beside.back(), besideListed ? "" : " (failed)");
  }
  std::printf("median: alone %.1f ms, dead %.1f ms, beside the dead listing %.1f ms\n",
              median(alone), median(deadTimes), median(beside));
  return 0;
}
