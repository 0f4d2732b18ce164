#include <iphlpapi.h>
#include <support/ScriptedArp.h>
#include <support/ScriptedBackends.h>

#include <gtest/gtest.h>

#include <array>

using testsupport::address;
using testsupport::ScriptedArp;

namespace {

const IPAddr someHost = address("192.0.2.7");

} // namespace

// The argument checks come before any backend work, whichever backend runs.
TEST(SendArpArguments, NullPointersAreInvalidParameters) {
  ScriptedArp arp;
  arp.reply({0x02, 0, 0, 0, 0, 1});
  ULONG length = 6;
  EXPECT_EQ(SendARP(someHost, 0, nullptr, &length), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(length, 0u);
  std::array<ULONG, 2> buffer{};
  EXPECT_EQ(SendARP(someHost, 0, buffer.data(), nullptr),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(arp.requests, 0);
}

TEST(SendArpArguments, LengthBelowSixOverflowsWithoutARequest) {
  ScriptedArp arp;
  arp.reply({0x02, 0, 0, 0, 0, 1});
  std::array<ULONG, 2> buffer{};
  for (ULONG offered : {0u, 1u, 5u}) {
    ULONG length = offered;
    EXPECT_EQ(SendARP(someHost, 0, buffer.data(), &length),
              static_cast<DWORD>(ERROR_BUFFER_OVERFLOW))
        << offered;
    EXPECT_EQ(length, 0u) << offered;
  }
  EXPECT_EQ(arp.requests, 0);
}

TEST(SendArpArguments, EveryErrorLeavesTheLengthAtZero) {
  ScriptedArp arp;
  std::array<ULONG, 2> buffer{};
  for (DWORD error : {ERROR_BAD_NET_NAME, ERROR_GEN_FAILURE, ERROR_NOT_FOUND}) {
    arp.fail(error);
    ULONG length = 8;
    EXPECT_EQ(SendARP(someHost, 0, buffer.data(), &length), error);
    EXPECT_EQ(length, 0u) << error;
  }
}

TEST(SendArpArguments, ABackendReplyPassesThroughAsIs) {
  ScriptedArp arp;
  arp.reply({0x12, 0x34, 0x56, 0x78});
  std::array<unsigned char, 8> buffer{};
  ULONG length = 8;
  ASSERT_EQ(SendARP(someHost, address("192.0.2.1"), buffer.data(), &length),
            static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(buffer, (std::array<unsigned char, 8>{0x12, 0x34, 0x56, 0x78, 0, 0, 0, 0}));
  EXPECT_EQ(arp.lastDestination, someHost);
  EXPECT_EQ(arp.lastSource, address("192.0.2.1"));
  EXPECT_EQ(arp.lastOfferedLength, 8u);
}

// The system backend on this machine's loopback interface only; the ARP
// cases on a real subnet run in the lab.
TEST(SystemSendArp, OwnLoopbackAddressesAnswerWithTheLoopbackAddressAllZeros) {
  for (const char *loopback : {"127.0.0.1", "127.0.0.2"}) {
    std::array<unsigned char, 8> buffer;
    buffer.fill(0xee);
    ULONG length = 8;
    ASSERT_EQ(SendARP(address(loopback), 0, buffer.data(), &length), static_cast<DWORD>(NO_ERROR))
        << loopback;
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(buffer, (std::array<unsigned char, 8>{0, 0, 0, 0, 0, 0, 0xee, 0xee})) << loopback;
  }
}

TEST(SystemSendArp, AddressesNamingNoHostAreBadNetNames) {
  for (const char *notAHost : {"0.0.0.0", "255.255.255.255", "224.0.0.1"}) {
    std::array<ULONG, 2> buffer{};
    ULONG length = 6;
    EXPECT_EQ(SendARP(address(notAHost), 0, buffer.data(), &length),
              static_cast<DWORD>(ERROR_BAD_NET_NAME))
        << notAHost;
    EXPECT_EQ(length, 0u);
  }
}

TEST(SystemSendArp, SourceMustBeAnAddressOfThisMachine) {
  std::array<ULONG, 2> buffer{};
  ULONG length = 6;
  EXPECT_EQ(SendARP(address("127.0.0.1"), address("192.0.2.1"), buffer.data(), &length),
            static_cast<DWORD>(ERROR_NOT_FOUND));
  EXPECT_EQ(length, 0u);
  length = 6;
  EXPECT_EQ(SendARP(address("127.0.0.1"), address("127.0.0.1"), buffer.data(), &length),
            static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(length, 6u);
}
