// Names as the packet reader reads them for DNS, mDNS and NetBIOS alike:
// compression pointers, label types and the length limit.
#include "net/DnsPacket.h"

#include <support/PacketFields.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace dns = platform::dns;
using testsupport::Bytes;
using testsupport::packet;

namespace {

Bytes label(size_t length) {
  Bytes out(1 + length, 'a');
  out[0] = static_cast<unsigned char>(length);
  return out;
}

// "local" at offset 0, then whatever a case puts at offset 7.
const Bytes kLocal = {0x05, 'l', 'o', 'c', 'a', 'l', 0x00};

} // namespace

TEST(DnsPacketName, PointersLabelTypesAndLength) {
  const std::string longest = std::string(63, 'a') + "." + std::string(63, 'a') + "." +
                              std::string(63, 'a') + "." + std::string(61, 'a');
  const struct {
    const char *what;
    Bytes packet;
    size_t at;
    std::optional<std::string> name; // std::nullopt: refused
    size_t after = 0;
  } cases[] = {
      {"labels in place", kLocal, 0, "local", 7},
      {"a pointer back", packet({kLocal, {0x06, 'b', 'o', 'r', 'e', 'a', 's', 0xc0, 0x00}}), 7,
       "boreas.local", 16},
      {"a pointer alone", packet({kLocal, {0xc0, 0x00}}), 7, "local", 9},
      {"a pointer to a pointer further back",
       packet({kLocal, {0xc0, 0x00} /* at 7 */, {0x01, 'x', 0xc0, 0x07}}), 9, "x.local", 13},
      {"the root alone", {0x00}, 0, "", 1},
      {"a pointer to itself", packet({kLocal, {0xc0, 0x07}}), 7, std::nullopt},
      {"a pointer forwards", packet({kLocal, {0xc0, 0x09}, {0x00}}), 7, std::nullopt},
      {"pointers that loop", packet({kLocal, {0xc0, 0x09} /* at 7 */, {0xc0, 0x07} /* at 9 */}), 9,
       std::nullopt},
      {"a pointer cut short", packet({kLocal, {0xc0}}), 7, std::nullopt},
      {"label type 01 (reserved)", {0x45, 'l', 'o', 'c', 'a', 'l', 0x00}, 0, std::nullopt},
      {"label type 10 (reserved)", {0x85, 'l', 'o', 'c', 'a', 'l', 0x00}, 0, std::nullopt},
      {"a label past the end", {0x06, 'l', 'o', 'c', 'a', 'l'}, 0, std::nullopt},
      {"no root label", {0x05, 'l', 'o', 'c', 'a', 'l'}, 0, std::nullopt},
      {"255 bytes", packet({label(63), label(63), label(63), label(61), {0x00}}), 0, longest, 255},
      {"256 bytes", packet({label(63), label(63), label(63), label(62), {0x00}}), 0, std::nullopt},
      {"256 bytes through a pointer",
       packet(
           {label(62), {0x00} /* 64 bytes at 0 */, label(63), label(63), label(63), {0xc0, 0x00}}),
       64, std::nullopt},
  };
  for (const auto &c : cases) {
    dns::PacketReader reader(c.packet, c.at);
    std::vector<std::string> labels;
    const bool read = reader.name(labels);
    EXPECT_EQ(read, c.name.has_value()) << c.what;
    if (read && c.name) {
      EXPECT_EQ(dns::dottedName(labels), *c.name) << c.what;
      EXPECT_EQ(reader.position(), c.after) << c.what;
    }
  }
}
