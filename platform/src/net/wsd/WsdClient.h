// Finds the computers of the LAN through WS-Discovery, as Windows' Network
// folder does: a Probe for wsdp:Device multicast on every up interface, a
// Resolve for each computer that answered without its metadata address
// (wsdd never gives one in a ProbeMatch), then a WS-Transfer Get over HTTP
// to that address for the computer's name and workgroup or domain.
#pragma once

#include "net/wsd/DiscoveredComputer.h"
#include "net/Ipv4Interface.h"

#include <chrono>
#include <vector>

namespace platform::wsd {

struct DiscoveryTimes {
  // How long ProbeMatches are collected. Responders wait a random time up
  // to APP_MAX_DELAY (500 ms) before they answer a multicast Probe, and send
  // every reply twice, the copy up to UDP_MAX_DELAY (250 ms) later; 1 s
  // covers a responder that waited the longest and whose first copy was
  // lost, with room left for the LAN itself.
  std::chrono::milliseconds probeWindow{1000};
  // The longest wait for a ResolveMatches after its Resolve: the responder
  // answers a Resolve at once (a few ms), and a lost one gets a second copy.
  std::chrono::milliseconds resolveWait{300};
  // The whole of one metadata Get, connection included.
  std::chrono::milliseconds getTimeout{1000};
};

// Every computer that answered, once (by endpoint, then by name), in the
// order its metadata came. Nothing is sent where no IPv4 interface is up.
std::vector<DiscoveredComputer> discoverComputers(const std::vector<Ipv4Interface> &interfaces,
                                                  const DiscoveryTimes &times = {});

// The IPv4 address of an http XAddr whose host is a dotted address inside
// the interface's subnet; 0 for anything else, so that no Get ever leaves
// the LAN the answer came from.
uint32_t metadataAddress(const std::string &xaddr, const Ipv4Interface &interface);

} // namespace platform::wsd
