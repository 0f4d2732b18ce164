// Random and mutated answers fed to the NetBIOS parsers, a fixed number of
// times from a fixed seed, so that ASan and UBSan see every odd shape the
// parser can meet. The parsers must never read outside the packet; whatever
// they accept must still be a well-formed answer.
#include "resolver/NetbiosPackets.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace nb = platform::netbios;

namespace {

constexpr int kRounds = 200000;

std::vector<unsigned char> seedAnswer(const nb::Name &name) {
  std::vector<unsigned char> packet = nb::nameQuery(0x2a2a, name, false);
  packet[2] = 0x85; // response, authoritative
  packet[5] = 0;    // no question
  packet[7] = 1;    // one answer
  packet.erase(packet.end() - 4, packet.end());
  const unsigned char rest[] = {0, 0x20, 0,  1, 0,  0,    1, 0,  0,  12, 0,
                                0, 10,   77, 0, 11, 0x60, 0, 10, 77, 0,  12};
  packet.insert(packet.end(), rest, rest + sizeof rest);
  return packet;
}

} // namespace

TEST(NetbiosFuzz, MutatedAnswersNeverBreakTheParsers) {
  const nb::Name name = *nb::hostName("VLSRV1");
  const std::vector<unsigned char> seed = seedAnswer(name);
  ASSERT_TRUE(nb::readNameQueryAnswer(seed, 0x2a2a, name));
  std::mt19937 random(20261208);
  int accepted = 0;
  for (int round = 0; round < kRounds; ++round) {
    std::vector<unsigned char> packet;
    if (round % 4 == 0) {
      packet.resize(random() % 96);
      for (unsigned char &byte : packet)
        byte = static_cast<unsigned char>(random());
    } else {
      packet = seed;
      const int edits = 1 + static_cast<int>(random() % 4);
      for (int e = 0; e < edits && !packet.empty(); ++e) {
        const size_t at = random() % packet.size();
        switch (random() % 4) {
        case 0:
          packet[at] = static_cast<unsigned char>(random());
          break;
        case 1:
          packet.resize(at);
          break;
        case 2:
          packet.insert(packet.begin() + static_cast<long>(at), 0xc0);
          break;
        default:
          packet[at] ^= static_cast<unsigned char>(1u << (random() % 8));
          break;
        }
      }
    }
    if (const auto answer = nb::readNameQueryAnswer(packet, 0x2a2a, name)) {
      ++accepted;
      if (answer->positive) {
        EXPECT_FALSE(answer->addresses.empty());
      }
    }
    if (const auto names = nb::readNodeStatusAnswer(packet, 0x2a2a)) {
      EXPECT_LE(names->size() * 18, packet.size());
    }
  }
  // Single-bit changes in the TTL or flags keep an answer valid: the loop
  // did reach the accepting paths, not only the early rejections.
  EXPECT_GT(accepted, 0);
}
