// NetBIOS name service packets on bytes: what the resolver sends, and which
// answers it takes or ignores.
#include "net/netbios/NetbiosPackets.h"

#include <support/NetbiosAnswers.h>
#include <support/PacketFields.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace nb = platform::netbios;

namespace {

using testsupport::packet;

using testsupport::Bytes;
using testsupport::nameAnswer;
using testsupport::putName;
using testsupport::putWord;

uint32_t address(const char *dotted) {
  uint32_t value = 0;
  inet_pton(AF_INET, dotted, &value);
  return value;
}

nb::Name nameOf(const char *text, unsigned char suffix) {
  return *nb::hostName(text, suffix);
}

Bytes statusAnswer(uint16_t id, const std::vector<std::pair<nb::Name, uint16_t>> &names) {
  Bytes out = testsupport::nameServiceHeader(id, 0x8400, 1);
  putName(out, nb::wildcardName());
  putWord(out, 0x0021);
  putWord(out, 0x0001);
  putWord(out, 0);
  putWord(out, 0);
  putWord(out, static_cast<uint16_t>(1 + names.size() * 18 + 46));
  out.push_back(static_cast<unsigned char>(names.size()));
  for (const auto &[name, flags] : names) {
    out.insert(out.end(), name.begin(), name.end());
    putWord(out, flags);
  }
  out.insert(out.end(), 46, 0); // statistics: nmbd sends a zero unit ID
  return out;
}

Bytes letters(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// nmbd's answer to name query 42 for VLSRV1<00> (RFC 1002 §4.2.13), field by
// field.
const Bytes kTransaction = {0x00, 0x2a};                                // NAME_TRN_ID 42
const Bytes kAnswerFlags = {0x85, 0x00};                                // R, AA RD, RCODE 0
const Bytes kCounts = {0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}; // AN 1, no others
const Bytes kLabelLength = {0x20};                                 // the encoded name's one label
const Bytes kVlsrv1 = letters("FGEMFDFCFGDBCACACACACACACACACAAA"); // "VLSRV1", spaces, <00>
const Bytes kNoScope = {0x00};
const Bytes kNbIn = {0x00, 0x20, 0x00, 0x01};     // RR_TYPE NB, RR_CLASS IN
const Bytes kTtl = {0x00, 0x00, 0x01, 0x2c};      // 300 s
const Bytes kOneEntry = {0x00, 0x06};             // RDLENGTH
const Bytes kEntry = {0x00, 0x00, 10, 77, 0, 11}; // NB_FLAGS unique B-node, 10.77.0.11

// The answer to node status request 7 (§4.2.18) that lists VLSRV1<00>.
const Bytes kStatusStart = packet({{0x00, 0x07},
                                   {0x84, 0x00},
                                   kCounts,
                                   kLabelLength,
                                   letters("CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA") /* "*" */,
                                   kNoScope,
                                   {0x00, 0x21, 0x00, 0x01} /* NBSTAT, IN */,
                                   kTtl});
const Bytes kStatusName = packet(
    {letters("VLSRV1         "), {0x00} /* suffix */, {0x04, 0x00} /* NAME_FLAGS: ACT, unique */});
const Bytes kStatistics(46, 0x00);

std::string text(const Bytes &bytes, size_t from, size_t count) {
  return std::string(bytes.begin() + static_cast<long>(from),
                     bytes.begin() + static_cast<long>(from + count));
}

} // namespace

TEST(NetbiosName, OnlyShortNamesWithoutDotHaveOne) {
  EXPECT_TRUE(nb::hostName("a"));
  EXPECT_TRUE(nb::hostName("FIFTEEN-LETTERS"));
  EXPECT_FALSE(nb::hostName(""));
  EXPECT_FALSE(nb::hostName("SIXTEEN-LETTERS!"));
  EXPECT_FALSE(nb::hostName("host.example"));
  EXPECT_FALSE(nb::hostName("10.77.0.11"));
}

TEST(NetbiosQuery, BroadcastQueryForAFifteenByteName) {
  const Bytes packet = nb::nameQuery(0x1234, nameOf("fifteen-letters", 0x00), true);
  ASSERT_EQ(packet.size(), 50u);
  EXPECT_EQ(text(packet, 0, 12), std::string("\x12\x34\x01\x10\0\x01\0\0\0\0\0\0", 12));
  EXPECT_EQ(packet[12], 0x20);
  // "FIFTEEN-LETTERS" upper-cased, then the 0x00 suffix.
  EXPECT_EQ(text(packet, 13, 32), "EGEJEGFEEFEFEOCNEMEFFEFEEFFCFDAA");
  EXPECT_EQ(text(packet, 45, 5), std::string("\0\0\x20\0\x01", 5));
}

TEST(NetbiosQuery, UnicastQueryForAOneByteNamePadsWithSpaces) {
  const Bytes packet = nb::nameQuery(7, nameOf("x", 0x00), false);
  EXPECT_EQ(packet[2], 0x01); // RD only: no B flag towards a name server
  EXPECT_EQ(packet[3], 0x00);
  EXPECT_EQ(text(packet, 13, 32), "FICACACACACACACACACACACACACACAAA");
}

TEST(NetbiosQuery, NodeStatusAsksForTheWildcard) {
  const Bytes packet = nb::nodeStatusRequest(9);
  EXPECT_EQ(packet[2], 0x00);
  EXPECT_EQ(packet[3], 0x00);
  EXPECT_EQ(text(packet, 13, 32), "CKAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA");
  EXPECT_EQ(packet[47], 0x21);
}

TEST(NetbiosAnswer, PositiveAnswersKeepTheirAddressOrder) {
  const nb::Name name = nameOf("VLSRV2", 0x00);
  const auto one = nb::readNameQueryAnswer(nameAnswer(5, name, {"10.77.0.12"}), 5, name);
  ASSERT_TRUE(one);
  EXPECT_TRUE(one->positive);
  EXPECT_EQ(one->addresses, std::vector<uint32_t>{address("10.77.0.12")});

  const auto several =
      nb::readNameQueryAnswer(nameAnswer(5, name, {"10.1.0.3", "10.1.0.1", "10.1.0.2"}), 5, name);
  ASSERT_TRUE(several);
  EXPECT_EQ(several->addresses,
            (std::vector<uint32_t>{address("10.1.0.3"), address("10.1.0.1"), address("10.1.0.2")}));
}

TEST(NetbiosAnswer, NegativeAnswerFromANameServer) {
  const nb::Name name = nameOf("NOSUCH", 0x00);
  const auto withRecord = nb::readNameQueryAnswer(nameAnswer(5, name, {}, 3), 5, name);
  ASSERT_TRUE(withRecord);
  EXPECT_FALSE(withRecord->positive);
  Bytes bare = testsupport::nameServiceHeader(5, 0x8503, 0);
  const auto withoutRecord = nb::readNameQueryAnswer(bare, 5, name);
  ASSERT_TRUE(withoutRecord);
  EXPECT_FALSE(withoutRecord->positive);
}

TEST(NetbiosAnswer, NodeStatusGivesTheFirstUniqueWorkstationName) {
  const Bytes packet = statusAnswer(11, {{nameOf("VLABGRP1", 0x00), 0x8400},
                                         {nameOf("VLSRV2", 0x20), 0x0400},
                                         {nameOf("VLSRV2", 0x00), 0x0400},
                                         {nameOf("OTHER", 0x00), 0x0400}});
  const auto names = nb::readNodeStatusAnswer(packet, 11);
  ASSERT_TRUE(names);
  ASSERT_EQ(names->size(), 4u);
  EXPECT_TRUE((*names)[0].group());
  EXPECT_EQ(nb::workstationName(*names), "VLSRV2");
  EXPECT_FALSE(nb::workstationName({(*names)[0], (*names)[1]}));
}

// Every one of these must be ignored: the resolver keeps waiting instead.
// (How names are read, pointers included, is the packet reader's table.)
TEST(NetbiosAnswer, MalformedOrForeignAnswersAreIgnored) {
  const nb::Name name = nameOf("VLSRV1", 0x00);
  const Bytes header = packet({kTransaction, kAnswerFlags, kCounts});
  const Bytes good =
      packet({header, kLabelLength, kVlsrv1, kNoScope, kNbIn, kTtl, kOneEntry, kEntry});

  const struct {
    const char *what;
    Bytes packet;
    uint16_t id;
    nb::Name asked;
  } cases[] = {
      {"empty", {}, 42, name},
      {"header only", header, 42, name},
      {"truncated in the name",
       packet({header, kLabelLength, letters("FGEMFDFCFGDBCACAC") /* 17 of 32 */}), 42, name},
      {"truncated in the data",
       packet({header,
               kLabelLength,
               kVlsrv1,
               kNoScope,
               kNbIn,
               kTtl,
               kOneEntry,
               {0x00, 0x00, 10, 77, 0} /* 5 of 6 bytes */}),
       42, name},
      {"answer count larger than the packet",
       packet({kTransaction,
               kAnswerFlags,
               {0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x00},
               kLabelLength,
               kVlsrv1,
               kNoScope,
               kNbIn,
               kTtl,
               kOneEntry,
               kEntry}),
       42, name},
      {"data length larger than the packet",
       packet(
           {header, kLabelLength, kVlsrv1, kNoScope, kNbIn, kTtl, {0x00, 0x3c} /* 60 */, kEntry}),
       42, name},
      {"data length not whole entries",
       packet({header,
               kLabelLength,
               kVlsrv1,
               kNoScope,
               kNbIn,
               kTtl,
               {0x00, 0x05},
               {0x00, 0x00, 10, 77, 0}}),
       42, name},
      {"name not first-level encoded",
       packet({header, kLabelLength, letters("ZGEMFDFCFGDBCACACACACACACACACAAA"), kNoScope, kNbIn,
               kTtl, kOneEntry, kEntry}),
       42, name},
      {"a name label of 31 letters",
       packet({header,
               {0x1f},
               letters("FGEMFDFCFGDBCACACACACACACACACAA"),
               kNoScope,
               kNbIn,
               kTtl,
               kOneEntry,
               kEntry}),
       42, name},
      {"wrong transaction", good, 41, name},
      {"another name", good, 42, nameOf("VLSRV2", 0x00)},
      {"a request",
       packet({kTransaction,
               {0x05, 0x00} /* R clear */,
               kCounts,
               kLabelLength,
               kVlsrv1,
               kNoScope,
               kNbIn,
               kTtl,
               kOneEntry,
               kEntry}),
       42, name},
      {"not an NB record",
       packet({header,
               kLabelLength,
               kVlsrv1,
               kNoScope,
               {0x00, 0x21, 0x00, 0x01} /* NBSTAT, IN */,
               kTtl,
               kOneEntry,
               kEntry}),
       42, name},
  };
  for (const auto &c : cases)
    EXPECT_FALSE(nb::readNameQueryAnswer(c.packet, c.id, c.asked)) << c.what;
  EXPECT_TRUE(nb::readNameQueryAnswer(good, 42, name));

  const Bytes status = packet({kStatusStart,
                               {0x00, 0x41} /* RDLENGTH 65 */,
                               {0x01} /* NUM_NAMES */,
                               kStatusName,
                               kStatistics});
  const Bytes tooManyNames =
      packet({kStatusStart, {0x00, 0x41}, {200} /* NUM_NAMES */, kStatusName, kStatistics});
  const Bytes noData = packet({kStatusStart, {0x00, 0x00} /* RDLENGTH 0 */});
  EXPECT_FALSE(nb::readNodeStatusAnswer(tooManyNames, 7));
  EXPECT_FALSE(nb::readNodeStatusAnswer(noData, 7));
  EXPECT_FALSE(nb::readNodeStatusAnswer(status, 8));
  EXPECT_FALSE(nb::readNodeStatusAnswer(kStatusStart, 7));
  EXPECT_TRUE(nb::readNodeStatusAnswer(status, 7));
}
