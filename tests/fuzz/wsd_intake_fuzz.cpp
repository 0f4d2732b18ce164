// What a WS-Discovery run takes in from the LAN: datagrams from several
// senders, replies to the run's own Probe and Resolves among them, through
// the product's intake and its XAddr filter. Whatever arrives, the run's
// limits hold, each endpoint is kept once, and only addresses a LAN host on
// the interface's subnet can have are ever fetched from.
//
// Input: five bytes for the interface (prefix length, then its address),
// then records of one sender byte (the last byte of 10.240.0.x), a two-byte
// length and that many bytes of datagram. The run's Probe is
// "urn:uuid:probe"; its Resolves are "urn:uuid:r1", "urn:uuid:r2", ...
#include "FuzzCheck.h"

#include "net/wsd/EndpointIntake.h"
#include "net/AnswerAddress.h"

#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

namespace wsd = platform::wsd;

namespace {

// Small, so that short inputs reach every limit.
constexpr wsd::IntakeLimits kLimits{6, 3, 4};

void checkFetchable(const std::string &xaddr, uint32_t host,
                    const platform::Ipv4Interface &interface) {
  FUZZ_CHECK(host != 0);
  FUZZ_CHECK(platform::isOnLinkPeer(interface, host));
  FUZZ_CHECK(platform::isLanHostAddress(host));
  FUZZ_CHECK(wsd::metadataAddress(xaddr, interface) == host);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 5)
    return 0;
  platform::Ipv4Interface interface;
  interface.index = 2;
  const unsigned prefix = data[0] % 33;
  interface.netmask = prefix == 0 ? 0 : htonl(~uint32_t{0} << (32 - prefix));
  interface.address = static_cast<uint32_t>(data[1] | data[2] << 8 | data[3] << 16) |
                      static_cast<uint32_t>(data[4]) << 24;

  auto resolves = std::make_shared<int>(0);
  wsd::EndpointIntake intake("urn:uuid:probe", kLimits,
                             [resolves] { return "urn:uuid:r" + std::to_string(++*resolves); });
  size_t sent = 0;
  for (size_t at = 5; at + 3 <= size;) {
    const uint32_t sender = htonl(0x0af00000u | data[at]);
    const size_t length = std::min<size_t>(size - at - 3, data[at + 1] << 8 | data[at + 2]);
    // A copy of exactly the datagram's size, so that ASan sees any read past it.
    const std::string datagram(reinterpret_cast<const char *>(data + at + 3), length);
    at += 3 + length;
    sent += intake.take(interface, sender, datagram).size();
    if (const uint32_t host = wsd::metadataAddress(datagram, interface); host != 0)
      checkFetchable(datagram, host, interface);
  }

  FUZZ_CHECK(intake.endpoints().size() <= kLimits.endpoints);
  FUZZ_CHECK(intake.resolvesSent() <= kLimits.resolves && sent == intake.resolvesSent());
  std::set<std::string> addresses;
  std::map<uint32_t, size_t> perSender;
  for (const wsd::Endpoint &endpoint : intake.endpoints()) {
    FUZZ_CHECK(addresses.insert(endpoint.address).second);
    FUZZ_CHECK(++perSender[endpoint.sender] <= kLimits.endpointsPerSender);
    if (endpoint.host != 0)
      checkFetchable(endpoint.xaddr, endpoint.host, interface);
  }
  size_t reachable = 0;
  std::set<std::string> ordered;
  for (const wsd::Endpoint &endpoint : intake.reachable()) {
    FUZZ_CHECK(addresses.count(endpoint.address) == 1 && ordered.insert(endpoint.address).second);
    ++reachable;
  }
  size_t withHost = 0;
  for (const wsd::Endpoint &endpoint : intake.endpoints())
    withHost += endpoint.host != 0 ? 1 : 0;
  FUZZ_CHECK(reachable == withHost);
  return 0;
}
