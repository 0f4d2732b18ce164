// The memory of velnor-scan's watch over many searches of the test LAN,
// beside that of one velnor-scan run making the same search.
//
//   lab/lan exec <build>/bin/bench_watch_memory [rounds]
//
// The watch runs in this process with no pause between searches (each one
// walks the browse list and sweeps the subnet, as --watch --sweep does);
// its lines go to /dev/null. The resident set size (VmRSS) is read after
// every round. The peer is velnor-scan --sweep beside this binary, run once:
// its peak RSS is what one search costs a process.
// Target: flat, the RSS after the last round at most 1 MiB above that after
// round 10 (the first rounds fill caches that then stay). Exit status 1
// when it is not.
#include <ScanWatch.h>
#include <WSockUtils.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kSettledRound = 10;
constexpr long kLargestGrowthKb = 1024;

long residentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0)
      return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

std::string besideThisBinary(const std::string &name) {
  char path[4096] = {};
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
  std::string own(path, length > 0 ? static_cast<size_t>(length) : 0);
  return own.substr(0, own.rfind('/') + 1) + name;
}

// The peak RSS of one velnor-scan --sweep, in kB.
long peerPeakKb() {
  const std::string command = besideThisBinary("velnor-scan") + " --sweep >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0)
    return -1;
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return usage.ru_maxrss;
}

} // namespace

int main(int argc, char **argv) {
  const int rounds = argc > 1 ? std::atoi(argv[1]) : 100;
  if (rounds <= kSettledRound) {
    std::fprintf(stderr, "usage: bench_watch_memory [rounds > %d]\n", kSettledRound);
    return 2;
  }
  const long peerKb = peerPeakKb();

  std::vector<long> rss;
  WSockUtils::initialize();
  WatchSettings watch;
  watch.search.sweep = true;
  watch.search.confirmHeld = true;
  watch.interval = std::chrono::milliseconds(0);
  watch.rounds = rounds;
  watch.output = std::fopen("/dev/null", "w");
  watch.afterRound = [&](int) { rss.push_back(residentKb()); };
  watchLan(watch);
  WSockUtils::finalize();

  std::printf("watch RSS by round:");
  for (int round = kSettledRound; round <= rounds; round += kSettledRound)
    std::printf(" %d: %ld kB", round, rss[static_cast<size_t>(round - 1)]);
  std::printf("\n");
  const long settled = rss[kSettledRound - 1];
  const long last = rss.back();
  std::printf("watch RSS after round 1: %ld kB, round %d: %ld kB, round %d: %ld kB\n", rss[0],
              kSettledRound, settled, rounds, last);
  std::printf("growth from round %d to %d: %ld kB (target <= %ld kB)\n", kSettledRound, rounds,
              last - settled, kLargestGrowthKb);
  if (peerKb > 0)
    std::printf("one velnor-scan --sweep: peak %ld kB; watch after %d rounds / one search: "
                "%.2f\n",
                peerKb, rounds, static_cast<double>(last) / static_cast<double>(peerKb));
  return last - settled <= kLargestGrowthKb ? 0 : 1;
}
