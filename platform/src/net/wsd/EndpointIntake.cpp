#include "net/wsd/EndpointIntake.h"

#include "net/wsd/CurlStart.h"
#include "net/wsd/WsdMessages.h"
#include "net/AnswerAddress.h"
#include "net/LibraryGate.h"

#include <curl/curl.h>

#include <arpa/inet.h>

#include <optional>

namespace platform::wsd {

namespace {

// Keeps the first http XAddr on the subnet the endpoint answered on.
void takeXaddr(Endpoint &endpoint, const std::vector<std::string> &xaddrs) {
  for (const std::string &xaddr : xaddrs)
    if (const uint32_t host = metadataAddress(xaddr, endpoint.interface); host != 0) {
      endpoint.xaddr = xaddr;
      endpoint.host = host;
      return;
    }
}

} // namespace

EndpointIntake::EndpointIntake(std::string probeId, IntakeLimits limits, IdSource newId)
    : probeId_(std::move(probeId)), limits_(limits),
      newId_(newId ? std::move(newId) : IdSource(newMessageId)) {}

std::vector<ResolveRequest> EndpointIntake::take(const Ipv4Interface &interface, uint32_t sender,
                                                 std::string_view datagram) {
  std::vector<ResolveRequest> resolves;
  if (const std::optional<Matches> probed = readMatches(datagram, MatchKind::Probe);
      probed && probed->relatesTo == probeId_) {
    for (const Match &match : probed->matches)
      if (match.computer)
        addEndpoint(interface, sender, match.endpoint, match.xaddrs, resolves);
    return resolves;
  }
  const std::optional<Matches> resolved = readMatches(datagram, MatchKind::Resolve);
  if (!resolved)
    return resolves;
  const auto asked = resolving_.find(resolved->relatesTo);
  if (asked == resolving_.end())
    return resolves;
  Endpoint &endpoint = endpoints_[asked->second];
  for (const Match &match : resolved->matches)
    if (match.endpoint == endpoint.address && endpoint.host == 0)
      takeXaddr(endpoint, match.xaddrs);
  return resolves;
}

void EndpointIntake::addEndpoint(const Ipv4Interface &interface, uint32_t sender,
                                 const std::string &address, const std::vector<std::string> &xaddrs,
                                 std::vector<ResolveRequest> &resolves) {
  // Checked before anything is stored, so that a full run keeps no trace
  // of further senders either.
  if (endpoints_.size() >= limits_.endpoints || knownAddresses_.count(address) != 0)
    return;
  size_t &fromSender = perSender_[sender];
  if (fromSender >= limits_.endpointsPerSender)
    return;
  ++fromSender;
  knownAddresses_.insert(address);
  endpoints_.push_back({address, interface, sender, "", 0});
  takeXaddr(endpoints_.back(), xaddrs);
  if (endpoints_.back().host != 0 || resolving_.size() >= limits_.resolves)
    return;
  const std::string resolveId = newId_();
  resolving_[resolveId] = endpoints_.size() - 1;
  resolves.push_back({resolveMessage(resolveId, address), interface.index});
}

bool EndpointIntake::waitingForResolve() const {
  for (const auto &[id, index] : resolving_)
    if (endpoints_[index].host == 0)
      return true;
  return false;
}

std::vector<Endpoint> EndpointIntake::reachable() const {
  std::vector<uint32_t> senders; // in the order each was first heard
  std::map<uint32_t, std::vector<const Endpoint *>> bySender;
  for (const Endpoint &endpoint : endpoints_) {
    if (endpoint.host == 0)
      continue;
    std::vector<const Endpoint *> &queue = bySender[endpoint.sender];
    if (queue.empty())
      senders.push_back(endpoint.sender);
    queue.push_back(&endpoint);
  }
  std::vector<Endpoint> ordered;
  for (size_t round = 0;; ++round) {
    const size_t before = ordered.size();
    for (uint32_t sender : senders)
      if (const auto &queue = bySender[sender]; round < queue.size())
        ordered.push_back(*queue[round]);
    if (ordered.size() == before)
      return ordered;
  }
}

uint32_t metadataAddress(const std::string &xaddr, const Ipv4Interface &interface) {
  const LibraryCall call;
  if (!call.entered())
    return 0;
  initialiseCurl();
  CURLU *url = curl_url();
  if (url == nullptr)
    return 0;
  uint32_t address = 0;
  char *scheme = nullptr;
  char *host = nullptr;
  if (curl_url_set(url, CURLUPART_URL, xaddr.c_str(), 0) == CURLUE_OK &&
      curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
      curl_url_get(url, CURLUPART_HOST, &host, 0) == CURLUE_OK && std::string(scheme) == "http") {
    in_addr parsed{};
    if (::inet_pton(AF_INET, host, &parsed) == 1 && isOnLinkPeer(interface, parsed.s_addr) &&
        isLanHostAddress(parsed.s_addr))
      address = parsed.s_addr;
  }
  curl_free(scheme);
  curl_free(host);
  curl_url_cleanup(url);
  return address;
}

} // namespace platform::wsd
