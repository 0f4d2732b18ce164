// NetBIOS name service packets on bytes: what the resolver sends, and which
// answers it takes or ignores.
#include "net/netbios/NetbiosPackets.h"

#include <support/NetbiosAnswers.h>

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <string>
#include <vector>

namespace nb = platform::netbios;

namespace {

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
TEST(NetbiosAnswer, MalformedOrForeignAnswersAreIgnored) {
  const nb::Name name = nameOf("VLSRV1", 0x00);
  const Bytes good = nameAnswer(42, name, {"10.77.0.11"});

  Bytes countTooLarge = good;
  countTooLarge[7] = 9; // ANCOUNT 9, one record present
  Bytes lengthTooLarge = good;
  lengthTooLarge[good.size() - 7] = 60; // RDLENGTH beyond the packet
  Bytes oddLength = good;
  oddLength[good.size() - 7] = 5;
  Bytes pointerLoop = testsupport::nameServiceHeader(42, 0x8500, 1);
  putWord(pointerLoop, 0xc00c); // points at itself
  pointerLoop.insert(pointerLoop.end(), good.begin() + 46, good.end());
  Bytes pointerForward = testsupport::nameServiceHeader(42, 0x8500, 1);
  putWord(pointerForward, 0xc0ff);
  Bytes badLetters = good;
  badLetters[13] = 'Z';
  Bytes request = good;
  request[2] &= 0x7f; // R bit clear: a request, not an answer
  Bytes wrongType = good;
  wrongType[47] = 0x21;

  const struct {
    const char *what;
    Bytes packet;
    uint16_t id;
    nb::Name asked;
  } cases[] = {
      {"empty", {}, 42, name},
      {"header only", Bytes(good.begin(), good.begin() + 12), 42, name},
      {"truncated in the name", Bytes(good.begin(), good.begin() + 30), 42, name},
      {"truncated in the data", Bytes(good.begin(), good.end() - 1), 42, name},
      {"answer count larger than the packet", countTooLarge, 42, name},
      {"data length larger than the packet", lengthTooLarge, 42, name},
      {"data length not whole entries", oddLength, 42, name},
      {"pointer loop", pointerLoop, 42, name},
      {"pointer beyond the packet", pointerForward, 42, name},
      {"name not first-level encoded", badLetters, 42, name},
      {"wrong transaction", good, 41, name},
      {"another name", good, 42, nameOf("VLSRV2", 0x00)},
      {"a request", request, 42, name},
      {"not an NB record", wrongType, 42, name},
  };
  for (const auto &c : cases)
    EXPECT_FALSE(nb::readNameQueryAnswer(c.packet, c.id, c.asked)) << c.what;
  EXPECT_TRUE(nb::readNameQueryAnswer(good, 42, name));

  const Bytes status = statusAnswer(7, {{nameOf("VLSRV1", 0x00), 0x0400}});
  Bytes tooManyNames = status;
  tooManyNames[56] = 200; // NUM_NAMES
  EXPECT_FALSE(nb::readNodeStatusAnswer(tooManyNames, 7));
  EXPECT_FALSE(nb::readNodeStatusAnswer(status, 8));
  EXPECT_FALSE(nb::readNodeStatusAnswer(Bytes(status.begin(), status.begin() + 50), 7));
  EXPECT_TRUE(nb::readNodeStatusAnswer(status, 7));
}
