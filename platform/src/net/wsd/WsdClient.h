// Finds the computers of the LAN through WS-Discovery, as Windows' Network
// folder does: a Probe for wsdp:Device multicast on every up interface, a
// Resolve for each computer that answered without its metadata address
// (wsdd never gives one in a ProbeMatch), then a WS-Transfer Get over HTTP
// to that address for the computer's name and workgroup or domain.
#pragma once

#include "net/wsd/DiscoveredComputer.h"
#include "net/wsd/EndpointIntake.h"
#include "net/Ipv4Interface.h"

#include <chrono>
#include <vector>

namespace platform::wsd {

struct DiscoveryTimes {
  // How long ProbeMatches are collected. Responders wait a random time up
  // to APP_MAX_DELAY (500 ms) after the first copy of a Probe they get (it
  // goes out twice with one message id, the second copy after
  // kProbeRepeatAfter, 100 ms) and send their answer twice, the second copy
  // up to UDP_MAX_DELAY (250 ms) later. 700 ms takes the answer of a
  // responder that waited the longest after the second copy of the Probe,
  // with 100 ms for the LAN and the scheduler; only a responder that both
  // waited most of its time and lost the first copy of its answer is left
  // to the next search. On the modern lab windows of 250 ms to 1 s all found
  // every computer in 20 runs each (wsdd answers within milliseconds); the
  // window is the whole of a first search's wait, so 1 s cost 300 ms more.
  std::chrono::milliseconds probeWindow{700};
  // The longest wait for a ResolveMatches after its Resolve: the responder
  // answers a Resolve at once (a few ms), and a lost one gets a second copy.
  std::chrono::milliseconds resolveWait{300};
  // The whole of one metadata Get, connection included, and of all Gets
  // together: those still queued or running then are given up, so a host
  // that holds its connections open cannot make a run last longer.
  std::chrono::milliseconds getTimeout{1000};
};

// Every computer that answered, once (by endpoint, then by name), in the
// order its metadata came, within the limits of EndpointIntake and of
// kMaxTransfers. Nothing is sent where no IPv4 interface is up.
std::vector<DiscoveredComputer> discoverComputers(const std::vector<Ipv4Interface> &interfaces,
                                                  const DiscoveryTimes &times = {});

// The Gets of the endpoints' metadata, kMaxTransfers at a time and in the
// endpoints' order, all within `timeout`; only complete 200 replies are read.
std::vector<DiscoveredComputer> fetchMetadata(const std::vector<Endpoint> &endpoints,
                                              std::chrono::milliseconds timeout);

// Metadata Gets running at once. Each holds a socket, and a host on the LAN
// answers in a few ms, so 16 at a time fetch the most endpoints a run keeps
// (256) well within the Get timeout while this client's descriptors stay
// few; the rest wait in curl's queue.
inline constexpr long kMaxTransfers = 16;
// Of them, to one host: a computer has one metadata address, and a host
// that names many endpoints and holds each connection open can keep only
// these two places from the others.
inline constexpr long kMaxTransfersPerHost = 2;

} // namespace platform::wsd
