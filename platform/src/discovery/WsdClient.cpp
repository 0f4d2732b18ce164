#include "WsdClient.h"

#include "WsdMessages.h"
#include "resolver/MulticastSockets.h"

#include <curl/curl.h>

#include <arpa/inet.h>

#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace platform::wsd {

namespace {

using Clock = MulticastSockets::Clock;

constexpr char kDiscoveryGroup[] = "239.255.255.250";
constexpr uint16_t kDiscoveryPort = 3702;
// SOAP over UDP keeps discovery on the link.
constexpr int kMulticastTtl = 1;
// The Probe goes out a second time, as SOAP over UDP repeats a multicast
// message once, in case the first copy was lost.
constexpr std::chrono::milliseconds kProbeRepeatAfter{100};

std::span<const unsigned char> bytes(const std::string &text) {
  return {reinterpret_cast<const unsigned char *>(text.data()), text.size()};
}

std::string_view textOf(std::span<const unsigned char> datagram) {
  return {reinterpret_cast<const char *>(datagram.data()), datagram.size()};
}

void initialiseCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_NOTHING); });
}

struct Endpoint {
  std::string address; // the urn:uuid: of the device
  Ipv4Interface interface;
  std::string xaddr;
  uint32_t host = 0;
};

size_t collectBody(char *data, size_t size, size_t count, void *target) {
  auto *body = static_cast<std::string *>(target);
  const size_t length = size * count;
  if (body->size() + length > kMaxMessageSize)
    return 0; // too long: curl ends the transfer with an error
  body->append(data, length);
  return length;
}

struct EasyFree {
  void operator()(CURL *easy) const { curl_easy_cleanup(easy); }
};
struct ListFree {
  void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
struct MultiFree {
  void operator()(CURLM *multi) const { curl_multi_cleanup(multi); }
};

struct Transfer {
  std::unique_ptr<CURL, EasyFree> easy;
  std::string request;
  std::string body;
  const Endpoint *endpoint = nullptr;
};

// The Gets of all endpoints at once; only complete 200 replies are read.
std::vector<DiscoveredComputer> fetchMetadata(const std::vector<Endpoint> &endpoints,
                                              std::chrono::milliseconds timeout) {
  std::vector<DiscoveredComputer> computers;
  if (endpoints.empty())
    return computers;
  initialiseCurl();
  std::unique_ptr<CURLM, MultiFree> multi(curl_multi_init());
  std::unique_ptr<curl_slist, ListFree> headers(
      curl_slist_append(nullptr, "Content-Type: application/soap+xml"));
  if (!multi || !headers)
    return computers;
  // A request body needs no "100 continue" round trip.
  headers.reset(curl_slist_append(headers.release(), "Expect:"));
  std::vector<std::unique_ptr<Transfer>> transfers;
  for (const Endpoint &endpoint : endpoints) {
    auto transfer = std::make_unique<Transfer>();
    transfer->easy.reset(curl_easy_init());
    if (!transfer->easy)
      continue;
    CURL *easy = transfer->easy.get();
    transfer->request = getMessage(newMessageId(), endpoint.address);
    transfer->endpoint = &endpoint;
    curl_easy_setopt(easy, CURLOPT_URL, endpoint.xaddr.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http");
    // Straight to the device: no proxy from the environment, no redirects.
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, transfer->request.c_str());
    curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, static_cast<long>(transfer->request.size()));
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE, static_cast<long>(kMaxMessageSize));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer->body);
    curl_easy_setopt(easy, CURLOPT_PRIVATE, transfer.get());
    if (curl_multi_add_handle(multi.get(), easy) == CURLM_OK)
      transfers.push_back(std::move(transfer));
  }
  int running = 0;
  do {
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
      break;
    if (running > 0 && curl_multi_poll(multi.get(), nullptr, 0, 100, nullptr) != CURLM_OK)
      break;
  } while (running > 0);
  int left = 0;
  while (CURLMsg *message = curl_multi_info_read(multi.get(), &left)) {
    if (message->msg != CURLMSG_DONE || message->data.result != CURLE_OK)
      continue;
    long status = 0;
    curl_easy_getinfo(message->easy_handle, CURLINFO_RESPONSE_CODE, &status);
    Transfer *transfer = nullptr;
    curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &transfer);
    if (status != 200 || transfer == nullptr)
      continue;
    if (const std::optional<ComputerName> name = readComputer(transfer->body))
      computers.push_back({name->name, name->group, name->domain, transfer->endpoint->host});
  }
  for (const auto &transfer : transfers)
    curl_multi_remove_handle(multi.get(), transfer->easy.get());
  return computers;
}

bool sameName(const std::string &a, const std::string &b) {
  if (a.size() != b.size())
    return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z')
      x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z')
      y = static_cast<char>(y - 'A' + 'a');
    if (x != y)
      return false;
  }
  return true;
}

} // namespace

uint32_t metadataAddress(const std::string &xaddr, const Ipv4Interface &interface) {
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
    if (::inet_pton(AF_INET, host, &parsed) == 1 && interface.netmask != 0 &&
        (parsed.s_addr & interface.netmask) == (interface.address & interface.netmask) &&
        parsed.s_addr != interface.address)
      address = parsed.s_addr;
  }
  curl_free(scheme);
  curl_free(host);
  curl_url_cleanup(url);
  return address;
}

std::vector<DiscoveredComputer> discoverComputers(const std::vector<Ipv4Interface> &interfaces,
                                                  const DiscoveryTimes &times) {
  MulticastSockets sockets(interfaces, kMulticastTtl);
  if (sockets.empty())
    return {};
  uint32_t group = 0;
  ::inet_pton(AF_INET, kDiscoveryGroup, &group);

  const std::string probeId = newMessageId();
  const std::string probe = probeMessage(probeId);
  std::set<std::string> seenMessages;
  std::vector<Endpoint> endpoints;
  std::map<std::string, size_t> resolving; // Resolve MessageID -> endpoint
  Clock::time_point lastResolve{};

  // Keeps an endpoint's first http XAddr on the subnet it answered on.
  const auto takeXaddrs = [](Endpoint &endpoint, const std::vector<std::string> &xaddrs) {
    for (const std::string &xaddr : xaddrs)
      if (const uint32_t host = metadataAddress(xaddr, endpoint.interface); host != 0) {
        endpoint.xaddr = xaddr;
        endpoint.host = host;
        return;
      }
  };
  const auto receive = [&](const Ipv4Interface &interface, uint32_t, uint16_t,
                           std::span<const unsigned char> datagram) {
    const std::string_view text = textOf(datagram);
    std::optional<Matches> matches = readMatches(text, MatchKind::Probe);
    const bool probeReply = matches && matches->relatesTo == probeId;
    if (!probeReply) {
      matches = readMatches(text, MatchKind::Resolve);
      if (!matches || resolving.count(matches->relatesTo) == 0)
        return false;
    }
    if (!seenMessages.insert(matches->messageId).second)
      return false; // a repeated copy
    for (const Match &match : matches->matches) {
      if (!probeReply) {
        Endpoint &endpoint = endpoints[resolving[matches->relatesTo]];
        if (match.endpoint == endpoint.address && endpoint.host == 0)
          takeXaddrs(endpoint, match.xaddrs);
        continue;
      }
      if (!match.computer)
        continue;
      bool known = false;
      for (const Endpoint &endpoint : endpoints)
        known = known || endpoint.address == match.endpoint;
      if (known)
        continue;
      endpoints.push_back({match.endpoint, interface, "", 0});
      takeXaddrs(endpoints.back(), match.xaddrs);
      if (endpoints.back().host != 0)
        continue;
      const std::string resolveId = newMessageId();
      resolving[resolveId] = endpoints.size() - 1;
      sockets.send(group, kDiscoveryPort, bytes(resolveMessage(resolveId, match.endpoint)),
                   interface.index);
      lastResolve = Clock::now();
    }
    return false;
  };

  const Clock::time_point start = Clock::now();
  sockets.send(group, kDiscoveryPort, bytes(probe));
  sockets.receiveUntil(start + kProbeRepeatAfter, kMaxMessageSize, receive);
  sockets.send(group, kDiscoveryPort, bytes(probe));
  sockets.receiveUntil(start + times.probeWindow, kMaxMessageSize, receive);
  // Endpoints that answered late may still be resolving.
  const auto unresolved = [&] {
    for (const Endpoint &endpoint : endpoints)
      if (endpoint.host == 0)
        return true;
    return false;
  };
  if (unresolved())
    sockets.receiveUntil(lastResolve + times.resolveWait, kMaxMessageSize,
                         [&](const Ipv4Interface &interface, uint32_t from, uint16_t port,
                             std::span<const unsigned char> datagram) {
                           receive(interface, from, port, datagram);
                           return !unresolved();
                         });

  std::vector<Endpoint> reachable;
  for (const Endpoint &endpoint : endpoints)
    if (endpoint.host != 0)
      reachable.push_back(endpoint);
  std::vector<DiscoveredComputer> found;
  for (DiscoveredComputer &computer : fetchMetadata(reachable, times.getTimeout)) {
    bool repeated = false;
    for (const DiscoveredComputer &earlier : found)
      repeated = repeated || sameName(earlier.name, computer.name);
    if (!repeated)
      found.push_back(std::move(computer));
  }
  return found;
}

} // namespace platform::wsd
