// mDNS query and answer on bytes, against what Avahi sent on a lab LAN.
#include "net/mdns/MdnsPackets.h"

#include <support/PacketFields.h>

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace mdns = platform::mdns;
using testsupport::Bytes;
using testsupport::packet;

namespace {

// Avahi's legacy-unicast answer to ID 0x1234, "boreas.local A IN", field by
// field.
const Bytes kId = {0x12, 0x34};
const Bytes kFlags = {0x84, 0x00};                                      // QR AA, opcode 0, RCODE 0
const Bytes kCounts = {0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}; // QD 1, AN 1, NS 0, AR 0
const Bytes kName = {0x06, 'b', 'o', 'r', 'e', 'a', 's', 0x05, 'l', 'o', 'c', 'a', 'l', 0x00};
const Bytes kQuestion = packet({kName, {0x00, 0x01, 0x00, 0x01}}); // QTYPE A, QCLASS IN
const Bytes kOwner = {0xc0, 0x0c};                                 // pointer to the question's name
const Bytes kType = {0x00, 0x01};                                  // A
const Bytes kClass = {0x00, 0x01};                                 // IN
const Bytes kTtl = {0x00, 0x00, 0x00, 0x0a};
const Bytes kLength = {0x00, 0x04};
const Bytes kAddress = {10, 240, 0, 12};
const Bytes kAnswer =
    packet({kId, kFlags, kCounts, kQuestion, kOwner, kType, kClass, kTtl, kLength, kAddress});

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
  // How names are read (pointers, label types, the length limit) is the
  // packet reader's table.
  const struct {
    const char *what;
    Bytes packet;
    bool accepted;
  } cases[] = {
      {"another id",
       packet({{0x12, 0x35},
               kFlags,
               kCounts,
               kQuestion,
               kOwner,
               kType,
               kClass,
               kTtl,
               kLength,
               kAddress}),
       false},
      {"a query, not a response",
       packet({kId,
               {0x04, 0x00} /* AA without QR */,
               kCounts,
               kQuestion,
               kOwner,
               kType,
               kClass,
               kTtl,
               kLength,
               kAddress}),
       false},
      {"an error code",
       packet({kId,
               {0x84, 0x03} /* RCODE 3 */,
               kCounts,
               kQuestion,
               kOwner,
               kType,
               kClass,
               kTtl,
               kLength,
               kAddress}),
       false},
      {"cache-flush bit on the class",
       packet({kId,
               kFlags,
               kCounts,
               kQuestion,
               kOwner,
               kType,
               {0x80, 0x01} /* flush, IN */,
               kTtl,
               kLength,
               kAddress}),
       true},
      {"another class",
       packet({kId,
               kFlags,
               kCounts,
               kQuestion,
               kOwner,
               kType,
               {0x00, 0x03} /* CH */,
               kTtl,
               kLength,
               kAddress}),
       false},
      {"an AAAA record",
       packet({kId,
               kFlags,
               kCounts,
               kQuestion,
               kOwner,
               {0x00, 0x1c} /* AAAA */,
               kClass,
               kTtl,
               kLength,
               kAddress}),
       false},
      {"the owner is another name",
       packet({kId,
               kFlags,
               kCounts,
               kQuestion,
               {0xc0, 0x13} /* pointer to "local" */,
               kType,
               kClass,
               kTtl,
               kLength,
               kAddress}),
       false},
      {"the answer cut short",
       packet({kId,
               kFlags,
               kCounts,
               kQuestion,
               kOwner,
               kType,
               kClass,
               kTtl,
               kLength,
               {10, 240} /* 2 of 4 address bytes */}),
       false},
      {"more records announced than sent",
       packet({kId,
               kFlags,
               {0x00, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00} /* AN 2 */,
               kQuestion,
               kOwner,
               kType,
               kClass,
               kTtl,
               kLength,
               kAddress}),
       false},
      {"the header cut short",
       packet({kId, kFlags, {0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00} /* no ARCOUNT low byte */}),
       false},
      {"an address of 5 bytes",
       packet({kId,
               kFlags,
               kCounts,
               kQuestion,
               kOwner,
               kType,
               kClass,
               kTtl,
               {0x00, 0x05},
               {10, 240, 0, 12, 0}}),
       false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(mdns::readAddressAnswer(c.packet, 0x1234, "boreas").has_value(), c.accepted)
        << c.what;
  EXPECT_TRUE(mdns::readAddressAnswer(kAnswer, 0x1234, "boreas"));
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
