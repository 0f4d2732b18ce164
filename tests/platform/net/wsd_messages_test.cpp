// WS-Discovery messages on bytes: what is sent, and what is read from the
// replies wsdd gives (captured on a lab LAN), and what is refused.
#include "net/wsd/WsdClient.h"
#include "net/wsd/WsdMessages.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace wsd = platform::wsd;

namespace {

const std::string kEnvelope =
    R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:wsx="http://schemas.xmlsoap.org/ws/2004/09/mex" xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof" xmlns:pnpx="http://schemas.microsoft.com/windows/pnpx/2005/10" xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07">)";

std::string reply(const std::string &action, const std::string &body,
                  const std::string &relatesTo = "urn:uuid:probe-1") {
  return kEnvelope +
         "<soap:Header><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous"
         "</wsa:To><wsa:Action>" +
         action + "</wsa:Action><wsa:MessageID>urn:uuid:546db200-f2f5-11f1-a4c1-1a4c0c7ec934" +
         "</wsa:MessageID><wsa:RelatesTo>" + relatesTo +
         "</wsa:RelatesTo><wsd:AppSequence InstanceId=\"1796727073\" MessageNumber=\"1\" />"
         "</soap:Header><soap:Body>" +
         body + "</soap:Body></soap:Envelope>";
}

const std::string kProbeMatches = "http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches";
const std::string kResolveMatches =
    "http://schemas.xmlsoap.org/ws/2005/04/discovery/ResolveMatches";
const std::string kGetResponse = "http://schemas.xmlsoap.org/ws/2004/09/transfer/GetResponse";

std::string probeMatch(const std::string &types = "wsdp:Device pub:Computer",
                       const std::string &extra = "") {
  return reply(kProbeMatches,
               "<wsd:ProbeMatches><wsd:ProbeMatch><wsa:EndpointReference><wsa:Address>"
               "urn:uuid:6f1c0a3e-0001-4000-8000-0a00f0000011</wsa:Address>"
               "</wsa:EndpointReference><wsd:Types>" +
                   types + "</wsd:Types>" + extra +
                   "<wsd:MetadataVersion>1</wsd:MetadataVersion></wsd:ProbeMatch>"
                   "</wsd:ProbeMatches>");
}

std::string getResponse(const std::string &computer) {
  return reply(
      kGetResponse,
      "<wsx:Metadata><wsx:MetadataSection "
      "Dialect=\"http://schemas.xmlsoap.org/ws/2006/02/devprof/ThisDevice\"><wsdp:ThisDevice>"
      "<wsdp:FriendlyName>WSD Device ATLAS</wsdp:FriendlyName></wsdp:ThisDevice>"
      "</wsx:MetadataSection><wsx:MetadataSection "
      "Dialect=\"http://schemas.xmlsoap.org/ws/2006/02/devprof/Relationship\">"
      "<wsdp:Relationship Type=\"http://schemas.xmlsoap.org/ws/2006/02/devprof/host\"><wsdp:Host>"
      "<wsa:EndpointReference><wsa:Address>urn:uuid:6f1c0a3e-0001-4000-8000-0a00f0000011"
      "</wsa:Address></wsa:EndpointReference><wsdp:Types>pub:Computer</wsdp:Types>"
      "<wsdp:ServiceId>urn:uuid:6f1c0a3e</wsdp:ServiceId><pub:Computer>" +
          computer +
          "</pub:Computer></wsdp:Host></wsdp:Relationship></wsx:MetadataSection>"
          "</wsx:Metadata>",
      "urn:uuid:get-1");
}

} // namespace

TEST(WsdMessages, ProbeIsTheOneWsddAnswers) {
  // wsdd answers only when Types reads exactly "wsdp:Device".
  EXPECT_EQ(
      wsd::probeMessage("urn:uuid:e1399bc4-bcfd-4711-b673-1d2fc0184733"),
      R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof"><soap:Header><wsa:To>urn:schemas-xmlsoap-org:ws:2005:04:discovery</wsa:To><wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</wsa:Action><wsa:MessageID>urn:uuid:e1399bc4-bcfd-4711-b673-1d2fc0184733</wsa:MessageID></soap:Header><soap:Body><wsd:Probe><wsd:Types>wsdp:Device</wsd:Types></wsd:Probe></soap:Body></soap:Envelope>)");
}

TEST(WsdMessages, ProbeMatchFromWsddHasAComputerAndNoXAddrs) {
  const auto matches = wsd::readMatches(probeMatch(), wsd::MatchKind::Probe);
  ASSERT_TRUE(matches);
  EXPECT_EQ(matches->messageId, "urn:uuid:546db200-f2f5-11f1-a4c1-1a4c0c7ec934");
  EXPECT_EQ(matches->relatesTo, "urn:uuid:probe-1");
  ASSERT_EQ(matches->matches.size(), 1u);
  EXPECT_EQ(matches->matches[0].endpoint, "urn:uuid:6f1c0a3e-0001-4000-8000-0a00f0000011");
  EXPECT_TRUE(matches->matches[0].computer);
  EXPECT_TRUE(matches->matches[0].xaddrs.empty());
  // The same bytes are no ResolveMatches.
  EXPECT_FALSE(wsd::readMatches(probeMatch(), wsd::MatchKind::Resolve));
}

TEST(WsdMessages, TypesAreReadByNamespaceNotByPrefix) {
  struct Case {
    const char *types;
    bool computer;
  } cases[] = {
      {"wsdp:Device pub:Computer", true},
      {"  pub:Computer\n", true},
      {"wsdp:Device", false},
      {"wsdp:Computer", false},   // the devprof namespace has no Computer
      {"nosuch:Computer", false}, // an unbound prefix
      {"pubComputer", false},
  };
  for (const Case &c : cases) {
    const auto matches = wsd::readMatches(probeMatch(c.types), wsd::MatchKind::Probe);
    ASSERT_TRUE(matches) << c.types;
    ASSERT_EQ(matches->matches.size(), 1u);
    EXPECT_EQ(matches->matches[0].computer, c.computer) << c.types;
  }
  const std::string otherPrefix = std::regex_replace(
      probeMatch("p2:Computer"), std::regex("<wsd:ProbeMatch>"),
      R"(<wsd:ProbeMatch xmlns:p2="http://schemas.microsoft.com/windows/pub/2005/07">)");
  EXPECT_TRUE(wsd::readMatches(otherPrefix, wsd::MatchKind::Probe)->matches.at(0).computer);
}

TEST(WsdMessages, ResolveMatchesGiveTheXAddrs) {
  const std::string body =
      "<wsd:ResolveMatches><wsd:ResolveMatch><wsa:EndpointReference><wsa:Address>urn:uuid:a"
      "</wsa:Address></wsa:EndpointReference><wsd:Types>wsdp:Device pub:Computer</wsd:Types>"
      "<wsd:XAddrs>http://10.240.0.11:5357/6f1c0a3e http://[fe80::1]:5357/x</wsd:XAddrs>"
      "</wsd:ResolveMatch></wsd:ResolveMatches>";
  const auto matches = wsd::readMatches(reply(kResolveMatches, body), wsd::MatchKind::Resolve);
  ASSERT_TRUE(matches);
  ASSERT_EQ(matches->matches.size(), 1u);
  EXPECT_EQ(
      matches->matches[0].xaddrs,
      (std::vector<std::string>{"http://10.240.0.11:5357/6f1c0a3e", "http://[fe80::1]:5357/x"}));
}

TEST(WsdMessages, MalformedOrHostileRepliesAreDropped) {
  const std::string good = probeMatch();
  const std::string cases[] = {
      "", "not xml", good.substr(0, good.size() - 20), // cut short
      // A DTD, internal entities (the "billion laughs" shape) and an
      // external entity: none is expanded, the whole reply goes.
      R"(<?xml version="1.0"?><!DOCTYPE e [<!ENTITY a "aaaa"><!ENTITY b "&a;&a;&a;">]>)" +
          good.substr(good.find("<soap:Envelope")),
      R"(<?xml version="1.0"?><!DOCTYPE e [<!ENTITY x SYSTEM "file:///etc/passwd">]>)" +
          std::regex_replace(good.substr(good.find("<soap:Envelope")),
                             std::regex("urn:uuid:probe-1"), "&x;"),
      std::regex_replace(good, std::regex("urn:uuid:probe-1"), "&undefined;"),
      std::regex_replace(good, std::regex("<wsa:RelatesTo>urn:uuid:probe-1</wsa:RelatesTo>"), ""),
      std::regex_replace(good, std::regex("<wsa:MessageID>[^<]*</wsa:MessageID>"), ""),
      std::regex_replace(good, std::regex("ProbeMatches</wsa:Action>"), "Hello</wsa:Action>"),
      std::regex_replace(good, std::regex("http://www.w3.org/2003/05/soap-envelope"),
                         "http://schemas.xmlsoap.org/soap/envelope/"),
      good + std::string(wsd::kMaxMessageSize, ' '), // over 64 KiB
  };
  for (const std::string &text : cases)
    EXPECT_FALSE(wsd::readMatches(text, wsd::MatchKind::Probe)) << text.substr(0, 200);
}

TEST(WsdMessages, MetadataGivesNameAndWorkgroupOrDomain) {
  const auto atlas = wsd::readComputer(getResponse("ATLAS/Workgroup:DLWG"));
  ASSERT_TRUE(atlas);
  EXPECT_EQ(atlas->name, "ATLAS");
  EXPECT_EQ(atlas->workgroup, "DLWG");
  EXPECT_FALSE(atlas->domain);
  EXPECT_FALSE(wsd::readComputer(getResponse("")));
  EXPECT_FALSE(wsd::readComputer(
      std::regex_replace(getResponse("ATLAS/Workgroup:DLWG"), std::regex("GetResponse"), "Get")));
  EXPECT_FALSE(wsd::readComputer(probeMatch()));
}

TEST(WsdMessages, ComputerTextForms) {
  struct Case {
    const char *text;
    const char *name; // nullptr: refused
    const char *workgroup;
    bool domain;
  } cases[] = {
      {"ATLAS/Workgroup:DLWG", "ATLAS", "DLWG", false},
      {"boreas/Domain:example.lan", "boreas", "example.lan", true},
      {"PC/NotJoined", nullptr, nullptr, false},
      {"/Workgroup:DLWG", nullptr, nullptr, false},
      {"ATLAS/Workgroup:", nullptr, nullptr, false},
      {"ATLAS", nullptr, nullptr, false},
      {"AT LAS/Workgroup:DLWG", nullptr, nullptr, false},
      {"ATLAS/Workgroup:DL\\WG", nullptr, nullptr, false},
      {"ATLAS/Workgroup:DL/WG", nullptr, nullptr, false},
      {"ATLAS/workgroup:DLWG", nullptr, nullptr, false},
  };
  for (const Case &c : cases) {
    const auto parsed = wsd::parseComputerText(c.text);
    ASSERT_EQ(parsed.has_value(), c.name != nullptr) << c.text;
    if (!parsed)
      continue;
    EXPECT_EQ(parsed->name, c.name);
    EXPECT_EQ(parsed->workgroup, c.workgroup);
    EXPECT_EQ(parsed->domain, c.domain);
  }
  EXPECT_FALSE(wsd::parseComputerText(std::string(300, 'A') + "/Workgroup:W"));
}

TEST(WsdMessages, MetadataIsFetchedOnlyFromTheSubnetItAnsweredOn) {
  platform::Ipv4Interface lan;
  lan.address = inet_addr("10.240.0.10");
  lan.netmask = inet_addr("255.255.255.0");
  struct Case {
    const char *xaddr;
    const char *address; // nullptr: never fetched
  } cases[] = {
      {"http://10.240.0.11:5357/6f1c0a3e-0001", "10.240.0.11"},
      {"http://10.240.0.254/", "10.240.0.254"},
      {"http://10.240.1.11:5357/x", nullptr},  // another subnet
      {"http://192.0.2.1:5357/x", nullptr},    // off the LAN
      {"http://10.240.0.10:5357/x", nullptr},  // this machine
      {"https://10.240.0.11:5357/x", nullptr}, // only plain http
      {"file:///etc/passwd", nullptr},
      {"http://atlas.local:5357/x", nullptr}, // a name would need resolving elsewhere
      {"http://[fe80::1]:5357/x", nullptr},
      {"10.240.0.11:5357", nullptr},
      {"", nullptr},
  };
  for (const Case &c : cases)
    EXPECT_EQ(wsd::metadataAddress(c.xaddr, lan), c.address ? inet_addr(c.address) : 0u) << c.xaddr;
  platform::Ipv4Interface noMask = lan;
  noMask.netmask = 0;
  EXPECT_EQ(wsd::metadataAddress("http://10.240.0.11:5357/x", noMask), 0u);
  // A subnet wide enough to hold loopback, multicast or the limited
  // broadcast still never sends a Get there.
  platform::Ipv4Interface wide;
  wide.address = inet_addr("100.0.0.10");
  wide.netmask = inet_addr("128.0.0.0");
  platform::Ipv4Interface upper = wide;
  upper.address = inet_addr("200.0.0.10");
  EXPECT_EQ(wsd::metadataAddress("http://100.1.2.3:5357/x", wide), inet_addr("100.1.2.3"));
  EXPECT_EQ(wsd::metadataAddress("http://127.0.0.1:5357/x", wide), 0u);
  EXPECT_EQ(wsd::metadataAddress("http://0.0.0.0:5357/x", wide), 0u);
  EXPECT_EQ(wsd::metadataAddress("http://239.255.255.250:5357/x", upper), 0u);
  EXPECT_EQ(wsd::metadataAddress("http://255.255.255.255:5357/x", upper), 0u);
}
