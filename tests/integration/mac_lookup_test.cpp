// getRemoteMacAdress and SendARP against real hosts on the test LAN: real ARP
// between namespaces, with the client's neighbour table cleared or filled
// as each case needs.
#include "Lab.h"
#include "SentIpv4Packets.h"

#include <iphlpapi.h>
#include <support/NeighbourTable.h>
#include <velnip.h>

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace lab = velnor::lab;

namespace {

using Clock = std::chrono::steady_clock;

uint32_t ipv4(std::string_view dotted) {
  uint32_t value = 0;
  ::inet_pton(AF_INET, std::string(dotted).c_str(), &value);
  return value;
}

// The export's result as a string ("" for null), checking that the caller's
// variable holds the result on success and is untouched on failure.
std::string macText(std::string_view dotted) {
  const std::string address(dotted);
  const char *variable = address.c_str();
  const char *text = getRemoteMacAdress(&variable);
  EXPECT_EQ(variable, text != nullptr ? text : address.c_str()) << dotted;
  return text != nullptr ? text : "";
}

class MacLookup : public ::testing::Test {
protected:
  void SetUp() override {
    lab::requireLab();
    if (HasFatalFailure() || IsSkipped())
      return;
    ASSERT_TRUE(table_.usable()) << "no rtnetlink access to " << lab::kClientInterface;
  }

  // Makes the next lookup of `dotted` start from an empty table entry.
  void forget(std::string_view dotted) {
    const std::string address(dotted);
    ASSERT_TRUE(table_.forget(address.c_str())) << dotted;
    ASSERT_FALSE(table_.state(address.c_str()).has_value()) << dotted;
  }
  std::optional<int> state(std::string_view dotted) {
    return table_.state(std::string(dotted).c_str());
  }

  testsupport::NeighbourTable table_{std::string(lab::kClientInterface)};
};

} // namespace

TEST_F(MacLookup, ColdTableLiveHostsAnswerTheirMacs) {
  for (const auto &server : lab::kServers) {
    forget(server.address);
    EXPECT_EQ(macText(server.address), server.macText) << server.name;
    // The answer came from a real ARP exchange, which the kernel recorded.
    EXPECT_EQ(state(server.address), std::optional<int>(NUD_REACHABLE)) << server.name;
  }
}

TEST_F(MacLookup, WarmTableAnswersFromTheTable) {
  forget(lab::kVlsrv2.address);
  ASSERT_EQ(macText(lab::kVlsrv2.address), lab::kVlsrv2.macText);
  EXPECT_EQ(macText(lab::kVlsrv2.address), lab::kVlsrv2.macText);

  // A valid entry is believed as it is, without asking the host again.
  const std::string address(lab::kVlsrv2.address);
  ASSERT_TRUE(table_.set(address.c_str(), {0x02, 0xaa, 0x0b, 0xcc, 0x0d, 0x01}, NUD_STALE));
  EXPECT_EQ(macText(lab::kVlsrv2.address), "02-AA-0B-CC-0D-01");
  forget(lab::kVlsrv2.address);
}

TEST_F(MacLookup, HostThatDoesNotAnswerGivesNullOnceTheKernelGivesUp) {
  forget(lab::kNoHostAddress);
  std::array<ULONG, 2> buffer{};
  ULONG length = 6;
  EXPECT_EQ(SendARP(ipv4(lab::kNoHostAddress), 0, buffer.data(), &length),
            static_cast<DWORD>(ERROR_BAD_NET_NAME));
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(state(lab::kNoHostAddress), std::optional<int>(NUD_FAILED));

  // A failed entry is asked again (the network sees a request), and fails
  // again.
  SentIpv4Packets sent{std::string(lab::kClientInterface)};
  ASSERT_TRUE(sent.ok());
  EXPECT_EQ(macText(lab::kNoHostAddress), "");
  EXPECT_GT(sent.arpRequestsFor(ipv4(lab::kNoHostAddress)), 0);
  EXPECT_EQ(state(lab::kNoHostAddress), std::optional<int>(NUD_FAILED));
}

// The lab's quiet host takes the address nobody answered for, as a computer
// switched on after a lookup failed: the next lookup finds it. Only a walk
// of the browse list that saw the address fail may answer from that
// failure, and no walk ran here.
TEST_F(MacLookup, AHostThatTakesTheAddressAfterAFailedLookupIsFound) {
  forget(lab::kNoHostAddress);
  ASSERT_EQ(macText(lab::kNoHostAddress), "");
  ASSERT_EQ(state(lab::kNoHostAddress), std::optional<int>(NUD_FAILED));
  const char *prefix = std::getenv("VELNOR_LAB_PREFIX");
  const std::string quiet = std::string(prefix != nullptr ? prefix : "vlab") + "-quiet";
  const std::string address =
      std::string(lab::kNoHostAddress) + "/" + std::to_string(lab::kSubnetBits);
  const auto onQuietHost = [&](const char *verb) {
    return "ip netns exec " + quiet + " ip addr " + verb + " " + address + " dev eth0";
  };
  ASSERT_EQ(std::system(onQuietHost("add").c_str()), 0);
  SentIpv4Packets sent{std::string(lab::kClientInterface)};
  ASSERT_TRUE(sent.ok());
  const std::string mac = macText(lab::kNoHostAddress);
  const long requests = sent.arpRequestsFor(ipv4(lab::kNoHostAddress));
  std::system(onQuietHost("del").c_str());
  EXPECT_EQ(mac, lab::kQuietMacText);
  EXPECT_GT(requests, 0);
  forget(lab::kNoHostAddress);
}

TEST_F(MacLookup, AddressesOffTheSubnetGiveNullAtOnceWithoutARequest) {
  for (std::string_view address : {lab::kOffSubnetAddress, std::string_view("10.77.0.255")}) {
    const auto started = Clock::now();
    EXPECT_EQ(macText(address), "") << address;
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(500)) << address;
    // No entry waits for an ARP reply (the broadcast address has its fixed
    // NOARP entry once anything on the client has broadcast).
    const auto entry = state(address);
    EXPECT_TRUE(!entry || *entry == NUD_NOARP) << address << " is in state " << *entry;
  }
}

TEST_F(MacLookup, OwnAddressGivesOwnMac) {
  EXPECT_EQ(macText(lab::kClientAddress), lab::kClientMacText);
}

TEST_F(MacLookup, SourceAddressChoosesTheInterface) {
  std::array<unsigned char, 8> buffer{};
  ULONG length = 8;
  ASSERT_EQ(SendARP(ipv4(lab::kVlsrv1.address), ipv4(lab::kClientAddress), buffer.data(), &length),
            static_cast<DWORD>(NO_ERROR));
  ASSERT_EQ(length, 6u);
  EXPECT_TRUE(std::equal(lab::kVlsrv1.mac.begin(), lab::kVlsrv1.mac.end(), buffer.begin()));

  // Not reached through the loopback interface.
  length = 8;
  EXPECT_EQ(SendARP(ipv4(lab::kVlsrv1.address), ipv4("127.0.0.1"), buffer.data(), &length),
            static_cast<DWORD>(ERROR_BAD_NET_NAME));
  EXPECT_EQ(length, 0u);

  // Not an address of this machine.
  length = 8;
  EXPECT_EQ(SendARP(ipv4(lab::kVlsrv1.address), ipv4("10.77.0.50"), buffer.data(), &length),
            static_cast<DWORD>(ERROR_NOT_FOUND));
  EXPECT_EQ(length, 0u);
}

TEST_F(MacLookup, ColdLookupsFromSeveralThreadsAtOnce) {
  for (const auto &server : lab::kServers)
    forget(server.address);
  std::vector<std::string> texts(lab::kServers.size());
  std::vector<std::thread> threads;
  for (size_t i = 0; i < lab::kServers.size(); ++i)
    threads.emplace_back([&, i] {
      const std::string address(lab::kServers[i].address);
      const char *variable = address.c_str();
      if (const char *text = getRemoteMacAdress(&variable))
        texts[i] = text;
    });
  for (auto &thread : threads)
    thread.join();
  for (size_t i = 0; i < lab::kServers.size(); ++i)
    EXPECT_EQ(texts[i], lab::kServers[i].macText) << lab::kServers[i].name;
}
