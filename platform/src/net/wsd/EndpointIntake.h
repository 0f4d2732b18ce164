// The computers a WS-Discovery run has heard of: the ProbeMatches and
// ResolveMatches that answer this run's own messages, and the endpoints they
// name, once each; the repeated copies SOAP over UDP sends add nothing. Anyone on the LAN may
// answer, with as many endpoints as fit in a datagram and as many datagrams as it likes, so what
// one run takes in is bounded: a flood costs a few hundred endpoints, Resolves and Gets, never the
// process's file descriptors.
#pragma once

#include "net/Ipv4Interface.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace platform::wsd {

struct IntakeLimits {
  // Endpoints kept per run: more pub:Computer endpoints than a LAN that one
  // browse list can show in a useful way, and each costs one Get at most.
  size_t endpoints = 256;
  // Endpoints kept from one sender (the datagram's source address): a
  // computer announces itself once; a discovery proxy answering for others
  // may name several. A quarter of the run, so that one host cannot take
  // the places of the rest of the LAN.
  size_t endpointsPerSender = 64;
  // Resolves multicast per run, each of which every host on the link
  // receives and answers. wsdd never puts XAddrs in a ProbeMatch, so each
  // real computer needs one; half the endpoint limit leaves room for a LAN
  // of 128 such computers while a flood from spoofed senders cannot make
  // this client a multicast amplifier.
  size_t resolves = 128;
};

struct Endpoint {
  std::string address; // the urn:uuid: of the device
  Ipv4Interface interface;
  uint32_t sender = 0; // the address its ProbeMatch came from
  std::string xaddr;   // empty until an http XAddr on the interface's subnet is known
  uint32_t host = 0;   // of xaddr, network byte order
};

// A Resolve this client must multicast on the interface with that index.
struct ResolveRequest {
  std::string message;
  int interfaceIndex = 0;
};

class EndpointIntake {
public:
  using IdSource = std::function<std::string()>;

  // probeId: the MessageID of this run's Probe; newId makes the MessageID of
  // each Resolve (newMessageId when not given).
  explicit EndpointIntake(std::string probeId, IntakeLimits limits = {}, IdSource newId = {});

  // Reads one datagram that arrived on `interface` from `sender`; gives the
  // Resolves to send for new endpoints that came without a usable XAddr.
  std::vector<ResolveRequest> take(const Ipv4Interface &interface, uint32_t sender,
                                   std::string_view datagram);

  const std::vector<Endpoint> &endpoints() const { return endpoints_; }
  size_t resolvesSent() const { return resolving_.size(); }
  // Whether an endpoint a Resolve went out for still waits for its answer.
  bool waitingForResolve() const;

  // The endpoints with a metadata address, in the order their Gets should
  // start: each sender's first, then each sender's second, and so on, so
  // that a host that named many endpoints queues behind the others.
  std::vector<Endpoint> reachable() const;

private:
  void addEndpoint(const Ipv4Interface &interface, uint32_t sender, const std::string &address,
                   const std::vector<std::string> &xaddrs, std::vector<ResolveRequest> &resolves);

  std::string probeId_;
  IntakeLimits limits_;
  IdSource newId_;
  std::vector<Endpoint> endpoints_;
  std::set<std::string> knownAddresses_;
  std::map<uint32_t, size_t> perSender_;
  std::map<std::string, size_t> resolving_; // Resolve MessageID -> endpoint
};

// The IPv4 address of an http XAddr whose host is a dotted address inside
// the interface's subnet, other than the interface's own, that a LAN host
// can have (isLanHostAddress); 0 for anything else, so that no Get ever
// leaves the LAN the answer came from.
uint32_t metadataAddress(const std::string &xaddr, const Ipv4Interface &interface);

} // namespace platform::wsd
