// What one WS-Discovery run takes in from the LAN: replies to its own
// messages only, each endpoint once, and no more endpoints, Resolves or
// senders' shares than its limits allow, however much arrives.
#include "net/wsd/EndpointIntake.h"

#include <arpa/inet.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace wsd = platform::wsd;

namespace {

const std::string kProbeId = "urn:uuid:probe-1";

std::string matches(const std::string &kind, const std::string &relatesTo,
                    const std::string &body) {
  return R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing" xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery" xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07"><soap:Header><wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/)" +
         kind + "Matches</wsa:Action><wsa:MessageID>urn:uuid:reply-" + relatesTo +
         "</wsa:MessageID><wsa:RelatesTo>" + relatesTo +
         "</wsa:RelatesTo></soap:Header><soap:Body><wsd:" + kind + "Matches>" + body +
         "</wsd:" + kind + "Matches></soap:Body></soap:Envelope>";
}

std::string match(const std::string &kind, const std::string &endpoint,
                  const std::string &xaddrs = "") {
  return "<wsd:" + kind + "Match><wsa:EndpointReference><wsa:Address>" + endpoint +
         "</wsa:Address></wsa:EndpointReference><wsd:Types>pub:Computer</wsd:Types>" +
         (xaddrs.empty() ? "" : "<wsd:XAddrs>" + xaddrs + "</wsd:XAddrs>") + "</wsd:" + kind +
         "Match>";
}

// A ProbeMatches naming endpoints first..first+count-1, each with an XAddr
// on `host` when it is given.
std::string probeMatches(int first, int count, const std::string &host = "") {
  std::string body;
  for (int i = first; i < first + count; ++i)
    body += match("Probe", "urn:uuid:e" + std::to_string(i),
                  host.empty() ? "" : "http://" + host + ":5357/e" + std::to_string(i));
  return matches("Probe", kProbeId, body);
}

uint32_t address(const char *dotted) {
  return inet_addr(dotted);
}

platform::Ipv4Interface lan() {
  platform::Ipv4Interface interface;
  interface.index = 2;
  interface.address = address("10.240.0.10");
  interface.netmask = address("255.255.255.0");
  return interface;
}

// Resolve ids the intake makes, predictable for the test: r1, r2, ...
wsd::EndpointIntake intake(wsd::IntakeLimits limits = {}) {
  auto next = std::make_shared<int>(0);
  return wsd::EndpointIntake(kProbeId, limits,
                             [next] { return "urn:uuid:r" + std::to_string(++*next); });
}

} // namespace

TEST(EndpointIntake, LimitsPerSenderAndPerRunHoldWhateverArrives) {
  const wsd::IntakeLimits limits{5, 2, 3};
  struct Step {
    const char *sender;
    int first, count;
    const char *xaddrHost; // "" for none: the endpoint needs a Resolve
    size_t endpoints, resolves, newResolves;
  } steps[] = {
      {"10.240.0.21", 0, 4, "", 2, 2, 2},              // the sender's two
      {"10.240.0.21", 4, 40, "", 2, 2, 0},             // that sender is full
      {"10.240.0.22", 100, 4, "10.240.0.22", 4, 2, 0}, // XAddrs: no Resolve
      {"10.240.0.23", 200, 4, "", 5, 3, 1},            // the run is full
      {"10.240.0.24", 300, 4, "", 5, 3, 0},            // nobody else gets in
      {"10.240.0.25", 400, 4, "10.240.0.25", 5, 3, 0},
  };
  wsd::EndpointIntake run = intake(limits);
  for (const Step &s : steps) {
    const auto resolves =
        run.take(lan(), address(s.sender), probeMatches(s.first, s.count, s.xaddrHost));
    EXPECT_EQ(resolves.size(), s.newResolves) << s.sender << " " << s.first;
    EXPECT_EQ(run.endpoints().size(), s.endpoints) << s.sender << " " << s.first;
    EXPECT_EQ(run.resolvesSent(), s.resolves) << s.sender << " " << s.first;
  }
  // The endpoint beyond the Resolve limit is kept but never resolved.
  EXPECT_EQ(run.reachable().size(), 2u);
}

TEST(EndpointIntake, RepeatedCopiesAndRepeatedEndpointsCountOnce) {
  wsd::EndpointIntake run = intake({5, 2, 3});
  const std::string reply = probeMatches(0, 1);
  EXPECT_EQ(run.take(lan(), address("10.240.0.21"), reply).size(), 1u);
  EXPECT_TRUE(run.take(lan(), address("10.240.0.21"), reply).empty()) << "the second copy";
  EXPECT_TRUE(run.take(lan(), address("10.240.0.22"), reply).empty()) << "from another sender";
  // Named twice in one reply, once more beside a new one: the sender's
  // second place goes to the new one.
  EXPECT_EQ(run.take(lan(), address("10.240.0.21"),
                     matches("Probe", kProbeId,
                             match("Probe", "urn:uuid:e0") + match("Probe", "urn:uuid:e1") +
                                 match("Probe", "urn:uuid:e1")))
                .size(),
            1u);
  ASSERT_EQ(run.endpoints().size(), 2u);
  EXPECT_EQ(run.endpoints()[1].address, "urn:uuid:e1");
}

TEST(EndpointIntake, OnlyRepliesToThisRunsMessagesCount) {
  wsd::EndpointIntake run = intake();
  const uint32_t sender = address("10.240.0.21");
  EXPECT_TRUE(run.take(lan(), sender,
                       matches("Probe", "urn:uuid:someone-else", match("Probe", "urn:uuid:e0")))
                  .empty());
  EXPECT_TRUE(run.endpoints().empty());

  ASSERT_EQ(run.take(lan(), sender, probeMatches(0, 2)).size(), 2u); // Resolves r1, r2
  EXPECT_TRUE(run.waitingForResolve());
  // A ResolveMatches for another endpoint than the one asked, or to a
  // Resolve never sent, gives nothing; an XAddr off the subnet neither.
  run.take(lan(), sender,
           matches("Resolve", "urn:uuid:r1",
                   match("Resolve", "urn:uuid:e1", "http://10.240.0.21:5357/e1")));
  run.take(lan(), sender,
           matches("Resolve", "urn:uuid:r9",
                   match("Resolve", "urn:uuid:e0", "http://10.240.0.21:5357/e0")));
  run.take(lan(), sender,
           matches("Resolve", "urn:uuid:r1",
                   match("Resolve", "urn:uuid:e0", "http://192.0.2.1:5357/e0")));
  EXPECT_TRUE(run.reachable().empty());

  run.take(lan(), sender,
           matches("Resolve", "urn:uuid:r2",
                   match("Resolve", "urn:uuid:e1",
                         "http://127.0.0.1:5357/e1 http://10.240.0.22:5357/e1")));
  EXPECT_TRUE(run.waitingForResolve()) << "e0 still waits";
  run.take(lan(), sender,
           matches("Resolve", "urn:uuid:r1",
                   match("Resolve", "urn:uuid:e0", "http://10.240.0.21:5357/e0")));
  EXPECT_FALSE(run.waitingForResolve());
  ASSERT_EQ(run.reachable().size(), 2u);
  EXPECT_EQ(run.reachable()[0].xaddr, "http://10.240.0.21:5357/e0");
  EXPECT_EQ(run.reachable()[1].host, address("10.240.0.22")) << "the first usable XAddr";
}

TEST(EndpointIntake, GetsTakeOneEndpointOfEachSenderInTurn) {
  wsd::EndpointIntake run = intake();
  run.take(lan(), address("10.240.0.66"), probeMatches(0, 3, "10.240.0.66"));
  run.take(lan(), address("10.240.0.11"), probeMatches(10, 1, "10.240.0.11"));
  run.take(lan(), address("10.240.0.12"), probeMatches(20, 2, "10.240.0.12"));
  std::vector<std::string> order;
  for (const wsd::Endpoint &endpoint : run.reachable())
    order.push_back(endpoint.address);
  EXPECT_EQ(order, (std::vector<std::string>{"urn:uuid:e0", "urn:uuid:e10", "urn:uuid:e20",
                                             "urn:uuid:e1", "urn:uuid:e21", "urn:uuid:e2"}));
}
