// Mutated WS-Discovery replies and mDNS answers fed to their readers a fixed
// number of times from a fixed seed, so that ASan and UBSan see the odd
// shapes a LAN can send. Whatever the readers accept must still make sense.
#include "discovery/WsdMessages.h"
#include "resolver/MdnsPackets.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace wsd = platform::wsd;
namespace mdns = platform::mdns;

namespace {

const std::string kProbeMatches =
    R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07"><soap:Header><wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</wsa:Action><wsa:MessageID>urn:uuid:1</wsa:MessageID><wsa:RelatesTo>urn:uuid:2</wsa:RelatesTo></soap:Header><soap:Body><wsd:ProbeMatches><wsd:ProbeMatch><wsa:EndpointReference><wsa:Address>urn:uuid:3</wsa:Address></wsa:EndpointReference><wsd:Types>wsdp:Device pub:Computer</wsd:Types><wsd:XAddrs>http://10.0.0.1:5357/3</wsd:XAddrs></wsd:ProbeMatch></wsd:ProbeMatches></soap:Body></soap:Envelope>)";
const std::string kGetResponse =
    R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07"><soap:Header><wsa:Action>http://schemas.xmlsoap.org/ws/2004/09/transfer/GetResponse</wsa:Action><wsa:MessageID>urn:uuid:1</wsa:MessageID><wsa:RelatesTo>urn:uuid:2</wsa:RelatesTo></soap:Header><soap:Body><pub:Computer>ATLAS/Workgroup:DLWG</pub:Computer></soap:Body></soap:Envelope>)";

// Markup that changes a document's shape more than a byte flip does.
const char *const kFragments[] = {"<",     ">",        "&",         "&amp;",    "<!DOCTYPE x>",
                                  "<a>",   "</a>",     "<![CDATA[", "]]>",      "\"",
                                  "xmlns", ":",        "/",         "&#0;",     "&#x110000;",
                                  "<?x?>", "<!-- -->", "\xff\xfe",  "\xc0\x80", "urn:uuid:"};

template <typename Text> void mutate(Text &text, std::mt19937 &random) {
  const int edits = 1 + static_cast<int>(random() % 4);
  for (int e = 0; e < edits && !text.empty(); ++e) {
    const size_t at = random() % text.size();
    switch (random() % 4) {
    case 0:
      text[at] = static_cast<typename Text::value_type>(random());
      break;
    case 1:
      text.resize(at);
      break;
    case 2:
      text.erase(text.begin() + static_cast<long>(at),
                 text.begin() + static_cast<long>(std::min(text.size(), at + 1 + random() % 16)));
      break;
    default:
      if constexpr (std::is_same_v<Text, std::string>)
        text.insert(at, kFragments[random() % std::size(kFragments)]);
      else
        text.insert(text.begin() + static_cast<long>(at), 0xc0);
      break;
    }
  }
}

} // namespace

TEST(DiscoveryFuzz, MutatedSoapRepliesNeverBreakTheReaders) {
  ASSERT_TRUE(wsd::readMatches(kProbeMatches, wsd::MatchKind::Probe));
  ASSERT_TRUE(wsd::readComputer(kGetResponse));
  std::mt19937 random(20261208);
  int accepted = 0;
  for (int round = 0; round < 20000; ++round) {
    std::string text = round % 2 == 0 ? kProbeMatches : kGetResponse;
    mutate(text, random);
    if (const auto matches = wsd::readMatches(text, wsd::MatchKind::Probe)) {
      ++accepted;
      EXPECT_FALSE(matches->messageId.empty());
      for (const wsd::Match &match : matches->matches)
        EXPECT_FALSE(match.endpoint.empty());
    }
    if (const auto computer = wsd::readComputer(text)) {
      ++accepted;
      EXPECT_FALSE(computer->name.empty());
      EXPECT_FALSE(computer->group.empty());
      EXPECT_EQ(computer->name.find_first_of("/\\ "), std::string::npos);
    }
  }
  EXPECT_GT(accepted, 0) << "the accepting paths were reached";
}

TEST(DiscoveryFuzz, MutatedMdnsAnswersNeverBreakTheReader) {
  const std::vector<unsigned char> seed = {
      0x12, 0x34, 0x84, 0, 0,   1,   0,   1,   0,   0, 0,  0,  6, 'b', 'o',  'r',
      'e',  'a',  's',  5, 'l', 'o', 'c', 'a', 'l', 0, 0,  1,  0, 1,   0xc0, 0x0c,
      0,    1,    0,    1, 0,   0,   0,   10,  0,   4, 10, 79, 0, 12};
  ASSERT_TRUE(mdns::readAddressAnswer(seed, 0x1234, "boreas"));
  std::mt19937 random(20261208);
  int accepted = 0;
  for (int round = 0; round < 200000; ++round) {
    std::vector<unsigned char> packet;
    if (round % 4 == 0) {
      packet.resize(random() % 96);
      for (unsigned char &byte : packet)
        byte = static_cast<unsigned char>(random());
    } else {
      packet = seed;
      mutate(packet, random);
    }
    if (const auto addresses = mdns::readAddressAnswer(packet, 0x1234, "boreas")) {
      ++accepted;
      EXPECT_FALSE(addresses->empty());
      EXPECT_LE(addresses->size() * 16, packet.size());
    }
  }
  EXPECT_GT(accepted, 0);
}
