// Which datagrams an mDNS query takes as answers at all. (Which addresses an
// answer may give, the NetBIOS lab test shows with forged answers.)
#include "ws2_32/resolver/MdnsLink.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

namespace {

uint32_t address(const char *dotted) {
  return inet_addr(dotted);
}

} // namespace

TEST(MdnsLink, AnswersComeOnlyFromTheMdnsPortOfThisLink) {
  platform::Ipv4Interface lan;
  lan.address = address("10.79.0.10");
  lan.netmask = address("255.255.255.0");
  const struct {
    const char *from;
    uint16_t port;
    bool taken;
  } cases[] = {
      {"10.79.0.12", 5353, true},
      {"10.79.0.254", 5353, true},
      {"10.79.0.12", 5354, false}, // not a responder's port
      {"10.79.0.12", 53, false},
      {"10.79.1.12", 5353, false}, // another subnet: routed, not on this link
      {"192.0.2.7", 5353, false},
      {"10.79.0.10", 5353, false}, // this machine's own address
      {"127.0.0.1", 5353, false},
  };
  for (const auto &c : cases)
    EXPECT_EQ(platform::MdnsLink::isResponder(lan, address(c.from), c.port), c.taken)
        << c.from << ":" << c.port;
  platform::Ipv4Interface noMask = lan;
  noMask.netmask = 0;
  EXPECT_FALSE(platform::MdnsLink::isResponder(noMask, address("10.79.0.12"), 5353));
}
