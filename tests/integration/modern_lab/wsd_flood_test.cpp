// One hostile peer on the LAN of today answers a Probe with 5000 endpoints,
// resolves each of them to an address of its own and holds every metadata
// connection open. Discovery must stay within its limits and its time, and
// still find the lab's real computers.
#include "ModernLab.h"

#include "net/wsd/WsdClient.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <net/if.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace lab = velnor::modernlab;
namespace wsd = platform::wsd;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFloodEndpoints = 5000;
// More addresses than the transfer limit allows hosts at two connections
// each, so that only the limit of the whole can hold the connections down.
constexpr int kPeerHosts = 24;

int openDescriptors() {
  int count = 0;
  if (DIR *folder = ::opendir("/proc/self/fd")) {
    while (::readdir(folder) != nullptr)
      ++count;
    ::closedir(folder);
  }
  return count - 3; // ".", ".." and the folder's own descriptor
}

// The peer script, run in the lab's peer namespace: started before the
// Probe, told to stop by closing its standard input, after which it writes
// what it saw.
class FloodingPeer {
public:
  FloodingPeer() {
    char folder[] = "/tmp/velnor-flood-XXXXXX";
    folder_ = ::mkdtemp(folder);
    results_ = folder_ + "/seen";
    int input[2], output[2];
    if (::pipe(input) != 0 || ::pipe(output) != 0)
      return;
    const char *prefix = std::getenv("VELNOR_LAB_PREFIX");
    const std::string ns = std::string(prefix != nullptr ? prefix : "vlabm") + "-peer";
    const std::string endpoints = std::to_string(kFloodEndpoints);
    const std::string hosts = std::to_string(kPeerHosts);
    child_ = ::fork();
    if (child_ == 0) {
      ::dup2(input[0], 0);
      ::dup2(output[1], 1);
      for (int fd : {input[0], input[1], output[0], output[1]})
        ::close(fd);
      ::execlp("ip", "ip", "netns", "exec", ns.c_str(), "python3", VELNOR_FLOOD_PEER,
               results_.c_str(), endpoints.c_str(), hosts.c_str(), nullptr);
      ::_exit(127);
    }
    ::close(input[0]);
    ::close(output[1]);
    stdin_ = input[1];
    char c = 0;
    while (::read(output[0], &c, 1) == 1 && c != '\n')
      said_ += c;
    ::close(output[0]);
  }
  ~FloodingPeer() {
    stop();
    std::remove(results_.c_str());
    ::rmdir(folder_.c_str());
  }

  // What the peer said once it was up: "ready" when it listens.
  const std::string &said() const { return said_; }

  // Stops the peer and gives what it counted.
  std::map<std::string, long> stop() {
    if (stdin_ >= 0) {
      ::close(stdin_);
      stdin_ = -1;
      ::waitpid(child_, nullptr, 0);
    }
    std::map<std::string, long> seen;
    std::ifstream in(results_);
    std::string key;
    long value = 0;
    while (in >> key >> value)
      seen[key] = value;
    return seen;
  }

private:
  std::string folder_, results_;
  pid_t child_ = -1;
  int stdin_ = -1;
  std::string said_;
};

platform::Ipv4Interface clientInterface() {
  platform::Ipv4Interface lan;
  lan.index = static_cast<int>(::if_nametoindex("eth0"));
  lan.address = ::inet_addr(std::string(lab::kClientAddress).c_str());
  lan.netmask = ::inet_addr("255.255.255.0");
  lan.broadcast = ::inet_addr("10.79.0.255");
  return lan;
}

} // namespace

class WsdFlood : public ::testing::Test {
protected:
  void SetUp() override { lab::requireModernLab(); }
};

TEST_F(WsdFlood, OnePeerCannotExhaustOrDelayDiscovery) {
  FloodingPeer peer;
  ASSERT_EQ(peer.said(), "ready");

  const int before = openDescriptors();
  std::atomic<bool> discovering{true};
  std::atomic<int> most{before};
  std::thread watcher([&] {
    while (discovering) {
      most = std::max(most.load(), openDescriptors());
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  const wsd::DiscoveryTimes times;
  const auto start = Clock::now();
  const std::vector<wsd::DiscoveredComputer> found = wsd::discoverComputers({clientInterface()});
  const auto took = Clock::now() - start;
  discovering = false;
  watcher.join();
  std::map<std::string, long> seen = peer.stop();
  std::printf("%d ms; descriptors %d, at most %d; peer: %ld Resolves, %ld connections, "
              "%ld open at most, %ld to one address\n",
              static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()),
              before, most.load(), seen["resolves"], seen["connections"], seen["most_open"],
              seen["most_open_per_host"]);

  std::vector<std::string> names;
  for (const wsd::DiscoveredComputer &computer : found)
    names.push_back(computer.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"ATLAS", "BOREAS", "OLDSRV"}));

  // The flood reached the client and was answered as far as the limits go.
  const wsd::IntakeLimits limits;
  EXPECT_EQ(seen["probes"], 2);
  EXPECT_GT(seen["resolves"], 0);
  EXPECT_LE(seen["resolves"], static_cast<long>(limits.endpointsPerSender + lab::kServers.size()));
  EXPECT_GT(seen["connections"], 0);
  EXPECT_LE(seen["connections"], static_cast<long>(limits.endpointsPerSender));
  EXPECT_GT(seen["most_open"], wsd::kMaxTransfersPerHost) << "several hosts were asked at once";
  EXPECT_LE(seen["most_open"], wsd::kMaxTransfers);
  EXPECT_LE(seen["most_open_per_host"], wsd::kMaxTransfersPerHost);
  // A descriptor per transfer, beside the discovery sockets and curl's own.
  EXPECT_LE(most - before, wsd::kMaxTransfers + 8) << "descriptors at most " << most;
  EXPECT_LT(took, times.probeWindow + times.resolveWait + times.getTimeout +
                      std::chrono::milliseconds(500))
      << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms";
}
