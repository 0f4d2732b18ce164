// The whole LAN host search on the test LAN, next to the sum of its parts and
// to a shell pipeline that does the same job with standard tools.
//
//   lab/lan exec <build>/bin/bench_lan_search [rounds]
//
// Each round starts three processes, one after the other (the order rotates
// between rounds, so no measurement always comes first), and each measures
// itself with the client's neighbour entries of the lab hosts deleted first:
//   search    searchLanHosts, the search's own code path, into a sink that only
//             keeps what it is given (no window)
//   parts     the same steps timed one kind at a time: the browse walk
//             (EnumerateNetworkNames on three levels), then the name
//             resolutions (ResolveHostAddress of each computer), then the MAC
//             lookups (getRemoteMacAdress of each address)
//   pipeline  one shell: smbtree -U guest%, then nmblookup for each computer,
//             then arping -c 1 -w 1 for each address it gave
// The search also times each computer, from its entry to the next one; a
// computer that takes far longer than the others is reported on its own line
// as stale, with what it cost. To measure one, take a server off the network
// first (lab/lan leave VLSRV2) and rebuild the lab afterwards.
// Targets: search <= 1.2 x parts, search <= 0.5 x pipeline.
#include "TimedCommand.h"
#include "integration/Lab.h"

#include <LanHostSearch.h>
#include <WSockUtils.h>
#include <support/NeighbourTable.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

double since(Clock::time_point start) {
  return Milliseconds(Clock::now() - start).count();
}

double median(std::vector<double> values) {
  if (values.empty())
    return 0;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Every lookup is a real ARP exchange, as arping's always is.
void forgetLabNeighbours() {
  testsupport::NeighbourTable table(std::string(velnor::lab::kClientInterface));
  for (const velnor::lab::Server &server : velnor::lab::kServers)
    table.forget(std::string(server.address).c_str());
}

// Keeps the hosts and times each computer from its entry to the next entry
// (or the next workgroup, or the end).
class TimingSink final : public LanHostSearchSink {
public:
  void workgroupFound(const QString &) override { closeComputer(); }
  void computerFound(const QString &ComputerEntry) override {
    closeComputer();
    current_ = ComputerEntry.mid(2).toStdString();
    started_ = Clock::now();
  }
  void shareFound(const QString &) override {}
  bool progressReported(int, int) override { return true; }
  bool pendingInputHandled() override { return true; }
  void hostFound(const QString &, const QString &, const QString &Mac) override {
    ++hosts;
    if (!Mac.isEmpty())
      ++macs;
  }
  void closeComputer() {
    if (!current_.empty())
      perComputer.emplace_back(current_, since(started_));
    current_.clear();
  }

  int hosts = 0;
  int macs = 0;
  std::vector<std::pair<std::string, double>> perComputer;

private:
  std::string current_;
  Clock::time_point started_;
};

// Child: "search MS HOSTS MACS [NAME MS]...".
int runSearch() {
  forgetLabNeighbours();
  TimingSink sink;
  const Clock::time_point start = Clock::now();
  searchLanHosts(sink);
  sink.closeComputer();
  std::printf("search %.1f %d %d", since(start), sink.hosts, sink.macs);
  for (const auto &[name, ms] : sink.perComputer)
    std::printf(" %s %.1f", name.c_str(), ms);
  std::printf("\n");
  return 0;
}

// Child: "parts WALK_MS RESOLVE_MS MAC_MS HOSTS MACS".
int runParts() {
  forgetLabNeighbours();
  Clock::time_point start = Clock::now();
  QStringList computers;
  QStringList workgroups;
  WSockUtils::EnumerateNetworkNames(QString(), workgroups);
  for (const QString &workgroup : workgroups) {
    QStringList inGroup;
    WSockUtils::EnumerateNetworkNames(workgroup, inGroup);
    for (const QString &computer : inGroup) {
      QStringList shares;
      WSockUtils::EnumerateNetworkNames(computer, shares);
    }
    computers += inGroup;
  }
  const double walkMs = since(start);

  start = Clock::now();
  QStringList addresses;
  for (const QString &computer : computers) {
    QString address;
    WSockUtils::ResolveHostAddress(computer.mid(2), address);
    if (!address.isEmpty())
      addresses.append(address);
  }
  const double resolveMs = since(start);

  start = Clock::now();
  int macs = 0;
  for (const QString &address : addresses)
    if (!macAddressText(address).isEmpty())
      ++macs;
  const double macMs = since(start);
  std::printf("parts %.1f %.1f %.1f %lld %d\n", walkMs, resolveMs, macMs,
              static_cast<long long>(addresses.size()), macs);
  return 0;
}

// The pipeline prints one line per MAC address arping reported.
const char *const kPipeline = R"(
servers=$(smbtree -U guest% 2>/dev/null |
  awk '/^\t\\\\[^\\]+[ \t]/ && !/^\t\t/ { sub(/^\t\\\\/, ""); print $1 }')
addresses=$(for s in $servers; do nmblookup "$s" 2>/dev/null | awk '/<00>/ { print $1; exit }'; done)
for a in $addresses; do
  arping -c 1 -w 1 -I eth0 "$a" 2>/dev/null | grep -o 'reply from [0-9.]* \[[0-9a-fA-F:]*\]'
done
true)";

using Run = bench::CommandRun;
using bench::runTimed;

} // namespace

int main(int argc, char **argv) {
  // Browsing broadcasts: only ever inside the lab.
  if (std::getenv("VELNOR_LAB") == nullptr || !velnor::lab::inClientNamespace()) {
    std::fprintf(stderr, "bench_lan_search: run it inside the lab: lab/lan exec %s\n", argv[0]);
    return 77;
  }
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "--search" || mode == "--parts") {
    WSockUtils::initialize();
    const int result = mode == "--search" ? runSearch() : runParts();
    WSockUtils::finalize();
    return result;
  }
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

  const std::string program = bench::selfCommand();
  if (program.empty())
    return 1;
  const std::string commands[] = {program + " --search", program + " --parts",
                                  "bash -c " + bench::shellQuoted(kPipeline)};
  // Samba starts the services that list shares on demand and stops them when
  // idle; one untimed run wakes them, so no measurement pays for that.
  runTimed(commands[0]);

  std::vector<double> search, parts, walk, resolve, mac, pipeline;
  std::map<std::string, std::vector<double>> perComputer;
  bool complete = true;
  std::printf("round   search    parts (walk + names + MACs)           pipeline  search/parts "
              "search/pipeline\n");
  for (int round = 0; round < rounds; ++round) {
    Run runs[3];
    for (int step = 0; step < 3; ++step) {
      const int which = (round + step) % 3;
      runs[which] = runTimed(commands[which]);
    }
    double searchMs = 0, walkMs = 0, resolveMs = 0, macMs = 0;
    int searchHosts = 0, searchMacs = 0, partHosts = 0, partMacs = 0, used = 0;
    std::sscanf(runs[0].output.c_str(), "search %lf %d %d %n", &searchMs, &searchHosts, &searchMacs,
                &used);
    std::istringstream computers(runs[0].output.substr(static_cast<size_t>(used)));
    std::string name;
    double ms;
    while (computers >> name >> ms)
      perComputer[name].push_back(ms);
    std::sscanf(runs[1].output.c_str(), "parts %lf %lf %lf %d %d", &walkMs, &resolveMs, &macMs,
                &partHosts, &partMacs);
    const int pipelineMacs =
        static_cast<int>(std::count(runs[2].output.begin(), runs[2].output.end(), '\n'));
    const double partsMs = walkMs + resolveMs + macMs;
    search.push_back(searchMs);
    parts.push_back(partsMs);
    walk.push_back(walkMs);
    resolve.push_back(resolveMs);
    mac.push_back(macMs);
    pipeline.push_back(runs[2].ms);
    std::printf("%5d %8.1f %8.1f (%7.1f + %7.1f + %7.1f) %10.1f %9.2f %12.2f   MACs: search %d/%d, "
                "parts %d/%d, pipeline %d\n",
                round + 1, searchMs, partsMs, walkMs, resolveMs, macMs, runs[2].ms,
                searchMs / partsMs, searchMs / runs[2].ms, searchMacs, searchHosts, partMacs,
                partHosts, pipelineMacs);
    if (searchHosts == 0 || searchHosts != partHosts)
      complete = false;
  }
  const double searchMedian = median(search), partsMedian = median(parts),
               pipelineMedian = median(pipeline);
  std::printf("median %7.1f %8.1f (%7.1f + %7.1f + %7.1f) %10.1f %9.2f %12.2f   (ms)\n",
              searchMedian, partsMedian, median(walk), median(resolve), median(mac), pipelineMedian,
              searchMedian / partsMedian, searchMedian / pipelineMedian);

  // Per computer; one far slower than the rest is a stale entry.
  std::vector<double> computerMedians;
  for (const auto &[computer, times] : perComputer)
    computerMedians.push_back(median(times));
  const double typical = median(computerMedians);
  std::printf("per computer (median ms):");
  for (const auto &[computer, times] : perComputer)
    std::printf(" %s %.1f", computer.c_str(), median(times));
  std::printf("\n");
  for (const auto &[computer, times] : perComputer) {
    const double cost = median(times);
    if (cost > 10 * typical && cost > 500)
      std::printf("stale computer %s: %.1f ms (%.1f ms more than a typical computer)\n",
                  computer.c_str(), cost, cost - typical);
  }
  std::printf("target search <= 1.2 x parts: %s\n",
              searchMedian <= 1.2 * partsMedian ? "met" : "NOT met");
  std::printf("target search <= 0.5 x pipeline: %s\n",
              searchMedian <= 0.5 * pipelineMedian ? "met" : "NOT met");
  if (!complete)
    std::printf("incomplete: the search or its parts found no host, or not the same hosts\n");
  return complete ? 0 : 1;
}
