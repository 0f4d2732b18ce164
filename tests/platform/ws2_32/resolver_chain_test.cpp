// The resolver chain rebuilt from scripted links: which link answers, and
// how this machine's own name is answered from its adapters.
#include "ws2_32/resolver/LocalNameLink.h"
#include "ws2_32/resolver/NetbiosLink.h"
#include "net/LookupCancellation.h"
#include "ws2_32/resolver/ResolverChain.h"
#include "ws2_32/resolver/SimultaneousLinks.h"

#include <support/ScriptedBackends.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using platform::HostEntry;
using platform::Ipv4Interface;
using testsupport::address;

// A link answering from a table, without installing itself anywhere.
class TableLink final : public platform::ResolverBackend {
public:
  std::map<std::string, HostEntry> names;
  std::map<uint32_t, HostEntry> addresses;
  int asked = 0;

  std::optional<HostEntry> byName(const std::string &name) override {
    ++asked;
    auto found = names.find(name);
    return found == names.end() ? std::nullopt : std::optional(found->second);
  }
  std::optional<HostEntry> byAddress(uint32_t a) override {
    ++asked;
    auto found = addresses.find(a);
    return found == addresses.end() ? std::nullopt : std::optional(found->second);
  }
};

HostEntry host(const std::string &name, std::initializer_list<const char *> dotted) {
  HostEntry entry{name, {}, {}};
  for (const char *d : dotted)
    entry.addresses.push_back(address(d));
  return entry;
}

Ipv4Interface up(int index, const char *dotted, bool defaultRoute = false, bool loopback = false) {
  Ipv4Interface entry;
  entry.index = index;
  entry.address = address(dotted);
  entry.loopback = loopback;
  entry.defaultRoute = defaultRoute;
  return entry;
}

} // namespace

TEST(ResolverChain, FirstLinkThatKnowsTheNameAnswers) {
  TableLink first, second, third;
  second.names["pc1"] = host("pc1", {"10.0.0.1"});
  third.names["pc1"] = host("PC1", {"10.0.0.2"});
  first.names["empty"] = HostEntry{"empty", {}, {}}; // no address: not an answer
  third.names["empty"] = host("EMPTY", {"10.0.0.3"});
  platform::ResolverChain chain({&first, &second, &third});

  EXPECT_EQ(chain.byName("pc1")->addresses, host("", {"10.0.0.1"}).addresses);
  EXPECT_EQ(third.asked, 0);
  EXPECT_EQ(chain.byName("empty")->name, "EMPTY");
  EXPECT_FALSE(chain.byName("nobody"));
  EXPECT_EQ(first.asked, 3);

  third.addresses[address("10.0.0.2")] = host("PC1", {"10.0.0.2"});
  EXPECT_EQ(chain.byAddress(address("10.0.0.2"))->name, "PC1");
  EXPECT_FALSE(chain.byAddress(address("10.0.0.9")));
}

TEST(LocalNameLink, MatchesThisMachineWithOrWithoutDomain) {
  const struct {
    const char *name, *host;
    bool same;
  } cases[] = {
      {"vlclient", "vlclient", true},
      {"VLCLIENT", "vlclient", true},
      {"vlclient.lab", "vlclient", true},
      {"vlclient", "vlclient.lab.example", true},
      {"VLClient.LAB.example", "vlclient.lab.example", true},
      {"vlclient.other", "vlclient.lab", false},
      {"vlclient2", "vlclient", false},
      {"vlclien", "vlclient", false},
      {"", "vlclient", false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(platform::LocalNameLink::namesThisMachine(c.name, c.host), c.same)
        << c.name << " / " << c.host;
}

TEST(LocalNameLink, LoopbackOnlyAnswerIsReplacedByTheAdapters) {
  TableLink nameService;
  nameService.names["pc1"] = host("pc1.lan", {"127.0.1.1"});
  std::vector<Ipv4Interface> interfaces = {up(1, "127.0.0.1", false, true), up(3, "192.168.5.7"),
                                           up(2, "10.1.2.3"), up(4, "172.16.0.9", true)};
  platform::LocalNameLink link([] { return std::optional<std::string>("pc1"); }, nameService,
                               [&] { return interfaces; });

  std::optional<HostEntry> answer = link.byName("pc1");
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->name, "pc1.lan");
  // The default route's interface first, then by interface index.
  EXPECT_EQ(answer->addresses, host("", {"172.16.0.9", "10.1.2.3", "192.168.5.7"}).addresses);

  interfaces = {up(1, "127.0.0.1", false, true)};
  EXPECT_EQ(link.byName("pc1")->addresses, host("", {"127.0.0.1"}).addresses);

  EXPECT_FALSE(link.byName("pc2")) << "another name goes on to the next link";
  EXPECT_FALSE(link.byAddress(address("10.1.2.3")));
}

TEST(LocalNameLink, RealAddressesFromTheNameServiceAreKeptInOrder) {
  TableLink nameService;
  nameService.names["pc1"] = host("pc1", {"127.0.1.1", "10.9.0.2", "10.9.0.1"});
  platform::LocalNameLink link([] { return std::optional<std::string>("pc1"); }, nameService,
                               [] { return std::vector<Ipv4Interface>{up(2, "10.1.2.3", true)}; });
  EXPECT_EQ(link.byName("pc1")->addresses,
            host("", {"127.0.1.1", "10.9.0.2", "10.9.0.1"}).addresses);
}

TEST(NetbiosLink, NodeStatusSkipsAddressesNoSingleHostHas) {
  for (const char *target :
       {"0.0.0.0", "255.255.255.255", "224.0.0.251", "239.1.2.3", "127.0.0.1", "127.0.1.1"})
    EXPECT_FALSE(platform::NetbiosLink::isNodeStatusTarget(address(target))) << target;
  for (const char *target : {"10.77.0.11", "192.168.1.255", "223.255.255.254"})
    EXPECT_TRUE(platform::NetbiosLink::isNodeStatusTarget(address(target))) << target;
}

namespace {

// Waits as a network link does, in the slices a racing lookup allows, then
// answers (or not).
class WaitingLink final : public platform::ResolverBackend {
public:
  WaitingLink(std::chrono::milliseconds wait, std::optional<HostEntry> answer)
      : wait_(wait), answer_(std::move(answer)) {}

  std::optional<HostEntry> byName(const std::string &) override {
    const auto deadline = std::chrono::steady_clock::now() + wait_;
    while (std::chrono::steady_clock::now() < deadline) {
      if (platform::LookupCancellation::requested()) {
        cancelled = true;
        return std::nullopt;
      }
      std::this_thread::sleep_for(platform::LookupCancellation::slice(wait_));
    }
    return answer_;
  }
  std::optional<HostEntry> byAddress(uint32_t) override { return answer_; }

  std::atomic<bool> cancelled{false};

private:
  std::chrono::milliseconds wait_;
  std::optional<HostEntry> answer_;
};

} // namespace

TEST(SimultaneousLinks, FirstAnswerWinsAndTheSlowerLinkIsStopped) {
  using std::chrono::milliseconds;
  WaitingLink multicast(milliseconds(3000), host("PC1", {"10.0.0.1"}));
  WaitingLink netbios(milliseconds(20), host("PC1", {"10.0.0.2"}));
  platform::SimultaneousLinks both({&multicast, &netbios});
  const auto start = std::chrono::steady_clock::now();
  const std::optional<HostEntry> answer = both.byName("PC1");
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->addresses, host("", {"10.0.0.2"}).addresses);
  EXPECT_TRUE(multicast.cancelled);
  EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(1000));
}

TEST(SimultaneousLinks, NoAnswerWaitsForEveryLink) {
  using std::chrono::milliseconds;
  WaitingLink quick(milliseconds(5), std::nullopt);
  WaitingLink slow(milliseconds(60), HostEntry{"PC1", {}, {}}); // no address: no answer
  platform::SimultaneousLinks both({&quick, &slow});
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(both.byName("PC1"));
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(60));
  EXPECT_FALSE(slow.cancelled);
}
