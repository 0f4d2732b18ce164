// The LAN host search's browse walk on the test LAN, next to Samba's smbtree.
//
//   lab/lan exec <build>/bin/bench_browse_walk [rounds]
//
// Each round starts two processes, one after the other (the order alternates
// between rounds), and times each from start to exit:
//   walk     this program with --walk: every workgroup, every server of each
//            and every share of each server through EnumerateNetworkNames,
//            as the search does it, in a fresh process (nothing cached)
//   smbtree  `smbtree -U guest%`, which walks the same three levels
// The walk's own in-process time (without process start-up) is printed too.
// At the end this process walks twice itself: the second walk shows what
// reusing the open server connections saves.
// One untimed smbtree run comes first (see below). Both must find the lab's
// servers. Target: walk median / smbtree median <= 1.0.
#include "TimedCommand.h"
#include "integration/Lab.h"

#include <WSockUtils.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

struct Walk {
  std::set<std::string> servers; // without the leading backslashes
  int workgroups = 0;
  int shares = 0;
};

// The search's three levels, as Button5Click walks them.
Walk walkThroughEnumerateNetworkNames() {
  Walk walk;
  QStringList workgroups;
  WSockUtils::EnumerateNetworkNames(QString(), workgroups);
  for (const QString &workgroup : workgroups) {
    ++walk.workgroups;
    QStringList computers;
    WSockUtils::EnumerateNetworkNames(workgroup, computers);
    for (const QString &computer : computers) {
      walk.servers.insert(computer.mid(2).toStdString());
      QStringList shares;
      WSockUtils::EnumerateNetworkNames(computer, shares);
      walk.shares += static_cast<int>(shares.size());
    }
  }
  return walk;
}

double timedWalk(Walk &walk) {
  const Clock::time_point start = Clock::now();
  walk = walkThroughEnumerateNetworkNames();
  return Milliseconds(Clock::now() - start).count();
}

// The child's part: one walk, its time and what it found on one line.
int walkOnce() {
  Walk walk;
  const double ms = timedWalk(walk);
  std::printf("walk %.1f %d %d", ms, walk.workgroups, walk.shares);
  for (const std::string &server : walk.servers)
    std::printf(" %s", server.c_str());
  std::printf("\n");
  return 0;
}

using Run = bench::CommandRun;
using bench::runTimed;

// smbtree's server lines: a tab, two backslashes, the name, then its comment.
std::set<std::string> smbtreeServers(const std::string &output) {
  std::set<std::string> servers;
  size_t at = 0;
  while (at < output.size()) {
    size_t end = output.find('\n', at);
    if (end == std::string::npos)
      end = output.size();
    const std::string line = output.substr(at, end - at);
    if (line.rfind("\t\\\\", 0) == 0) {
      const std::string rest = line.substr(3);
      servers.insert(rest.substr(0, rest.find_first_of(" \t")));
    }
    at = end + 1;
  }
  return servers;
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string joined(const std::set<std::string> &names) {
  std::string text;
  for (const std::string &name : names)
    text += (text.empty() ? "" : " ") + name;
  return text;
}

} // namespace

int main(int argc, char **argv) {
  // Browsing broadcasts: only ever inside the lab.
  if (std::getenv("VELNOR_LAB") == nullptr || !velnor::lab::inClientNamespace()) {
    std::fprintf(stderr, "bench_browse_walk: run it inside the lab: lab/lan exec %s\n", argv[0]);
    return 77;
  }
  if (argc > 1 && std::string(argv[1]) == "--walk")
    return walkOnce();
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  std::set<std::string> expected;
  for (const velnor::lab::Server &server : velnor::lab::kServers)
    expected.insert(std::string(server.name));

  const std::string self = bench::selfCommand();
  if (self.empty())
    return 1;
  const std::string walkCommand = self + " --walk";
  const std::string smbtreeCommand = "smbtree -U guest% 2>/dev/null";
  // Samba starts the RPC services that list shares (samba-dcerpcd) on demand
  // and stops them when idle; whichever walk came first would pay for their
  // start-up, so one untimed smbtree run wakes them.
  runTimed(smbtreeCommand);

  std::vector<double> walkTimes, smbtreeTimes, inProcess;
  bool complete = true;
  std::printf("round      walk (in-process)   smbtree   ratio\n");
  for (int round = 0; round < rounds; ++round) {
    Run walk, tree;
    if (round % 2 == 0) {
      walk = runTimed(walkCommand);
      tree = runTimed(smbtreeCommand);
    } else {
      tree = runTimed(smbtreeCommand);
      walk = runTimed(walkCommand);
    }
    double own = 0;
    int workgroups = 0, shares = 0, used = 0;
    std::sscanf(walk.output.c_str(), "walk %lf %d %d %n", &own, &workgroups, &shares, &used);
    std::set<std::string> walked;
    for (size_t at = static_cast<size_t>(used); at < walk.output.size();) {
      size_t end = walk.output.find_first_of(" \n", at);
      if (end == std::string::npos)
        end = walk.output.size();
      if (end > at)
        walked.insert(walk.output.substr(at, end - at));
      at = end + 1;
    }
    const std::set<std::string> treed = smbtreeServers(tree.output);
    if (!walk.ok || !tree.ok || walked != expected || treed != expected) {
      complete = false;
      std::printf("round %d: incomplete: walk found [%s], smbtree found [%s], lab has [%s]\n",
                  round + 1, joined(walked).c_str(), joined(treed).c_str(),
                  joined(expected).c_str());
    }
    walkTimes.push_back(walk.ms);
    smbtreeTimes.push_back(tree.ms);
    inProcess.push_back(own);
    std::printf("%5d %9.1f  (%8.1f) %9.1f %7.2f   %d workgroups, %zu servers, %d shares\n",
                round + 1, walk.ms, own, tree.ms, walk.ms / tree.ms, workgroups, walked.size(),
                shares);
  }
  const double ratio = median(walkTimes) / median(smbtreeTimes);
  std::printf("median %8.1f  (%8.1f) %9.1f %7.2f   (ms; ratio = walk / smbtree)\n",
              median(walkTimes), median(inProcess), median(smbtreeTimes), ratio);
  Walk first, second;
  const double firstMs = timedWalk(first);
  const double secondMs = timedWalk(second);
  std::printf("in one process: first walk %.1f ms, second walk %.1f ms\n", firstMs, secondMs);
  std::printf("target ratio <= 1.00: %s\n", ratio <= 1.0 ? "met" : "NOT met");
  return complete ? 0 : 1;
}
