// mDNS query and answer on bytes, against what Avahi sent on a lab LAN.
#include "net/mdns/MdnsPackets.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <vector>

namespace mdns = platform::mdns;
using Bytes = std::vector<unsigned char>;

namespace {

// Avahi's legacy-unicast answer to ID 0x1234, "boreas.local A IN".
const Bytes kAnswer = {0x12, 0x34, 0x84, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
                       0x06, 'b',  'o',  'r',  'e',  'a',  's',  0x05, 'l',  'o',  'c',  'a',
                       'l',  0x00, 0x00, 0x01, 0x00, 0x01, 0xc0, 0x0c, 0x00, 0x01, 0x00, 0x01,
                       0x00, 0x00, 0x00, 0x0a, 0x00, 0x04, 0x0a, 0xf0, 0x00, 0x0c};

} // namespace

TEST(MdnsPackets, QueryIsALegacyUnicastAQuestion) {
  const Bytes expected = {0x12, 0x34, 0,   0,   0, 1,   0,   0,   0,   0,   0, 0, 6, 'b', 'o',
                          'r',  'e',  'a', 's', 5, 'l', 'o', 'c', 'a', 'l', 0, 0, 1, 0,   1};
  EXPECT_EQ(mdns::addressQuery(0x1234, "boreas"), expected);
  EXPECT_FALSE(mdns::addressQuery(1, "boreas.local"));
  EXPECT_FALSE(mdns::addressQuery(1, ""));
}

TEST(MdnsPackets, OnlySingleLabelsAreAsked) {
  for (const char *name : {"boreas", "BOREAS", "pc-1", "my_host", "a"})
    EXPECT_TRUE(mdns::isSingleLabel(name)) << name;
  for (const char *name : {"", "boreas.local", "host name", "na\\me", "\xe5\x90\x8d", "x!"})
    EXPECT_FALSE(mdns::isSingleLabel(name)) << name;
  EXPECT_TRUE(mdns::isSingleLabel(std::string(63, 'a')));
  EXPECT_FALSE(mdns::isSingleLabel(std::string(64, 'a')));
}

TEST(MdnsPackets, AnswerGivesTheAddress) {
  const auto found = mdns::readAddressAnswer(kAnswer, 0x1234, "boreas");
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, std::vector<uint32_t>{inet_addr("10.240.0.12")});
  // Names compare without regard to case, as DNS names do.
  EXPECT_TRUE(mdns::readAddressAnswer(kAnswer, 0x1234, "BOREAS"));
}

TEST(MdnsPackets, AnswerFormsAndRefusals) {
  struct Case {
    const char *what;
    size_t at;
    int value; // -1: cut the packet here
    bool accepted;
  } cases[] = {
      {"another id", 1, 0x35, false},
      {"a query, not a response", 2, 0x04, false},
      {"an error code", 3, 0x03, false},
      {"cache-flush bit on the class", 34, 0x80, true},
      {"another class", 35, 0x03, false},
      {"an AAAA record", 33, 0x1c, false},
      {"a pointer to another name", 31, 0x13, false},
      {"a pointer forwards", 31, 0x2c, false},
      {"a pointer to itself", 31, 0x1e, false},
      {"the answer cut short", 44, -1, false},
      {"the header cut short", 11, -1, false},
      {"a reserved label type", 12, 0x46, false},
      {"an address of 5 bytes", 41, 0x05, false},
  };
  for (const Case &c : cases) {
    Bytes packet = kAnswer;
    if (c.value < 0)
      packet.resize(c.at);
    else
      packet[c.at] = static_cast<unsigned char>(c.value);
    EXPECT_EQ(mdns::readAddressAnswer(packet, 0x1234, "boreas").has_value(), c.accepted) << c.what;
  }
  EXPECT_FALSE(mdns::readAddressAnswer(kAnswer, 0x1234, "atlas"));
}

TEST(MdnsPackets, EveryARecordOfTheNameCounts) {
  // No question section, as in a multicast answer; two A records and one of
  // another name.
  Bytes packet = {0x12, 0x34, 0x84, 0, 0, 0, 0, 3, 0, 0, 0, 0};
  const Bytes name = {6, 'b', 'o', 'r', 'e', 'a', 's', 5, 'l', 'o', 'c', 'a', 'l', 0};
  const auto record = [&](const Bytes &owner, unsigned char last) {
    packet.insert(packet.end(), owner.begin(), owner.end());
    packet.insert(packet.end(), {0, 1, 0x80, 1, 0, 0, 0, 120, 0, 4, 10, 79, 0, last});
  };
  record(name, 12);
  record({5, 'a', 't', 'l', 'a', 's', 0xc0, 19}, 11); // atlas + pointer to "local"
  record({0xc0, 12}, 99);
  const auto found = mdns::readAddressAnswer(packet, 0x1234, "boreas");
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, (std::vector<uint32_t>{inet_addr("10.79.0.12"), inet_addr("10.79.0.99")}));
  const auto atlas = mdns::readAddressAnswer(packet, 0x1234, "atlas");
  ASSERT_TRUE(atlas);
  EXPECT_EQ(*atlas, std::vector<uint32_t>{inet_addr("10.79.0.11")});
}
