#include "net/wsd/WsdClient.h"

#include "common/AsciiCase.h"
#include "net/wsd/CurlStart.h"
#include "net/wsd/WsdMessages.h"
#include "net/LibraryGate.h"
#include "net/LookupCancellation.h"
#include "net/MulticastSockets.h"

#include <curl/curl.h>

#include <arpa/inet.h>

#include <algorithm>
#include <memory>

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

} // namespace

std::vector<DiscoveredComputer> fetchMetadata(const std::vector<Endpoint> &endpoints,
                                              std::chrono::milliseconds timeout) {
  std::vector<DiscoveredComputer> computers;
  if (endpoints.empty())
    return computers;
  const Clock::time_point deadline = Clock::now() + timeout;
  const LibraryCall call;
  if (!call.entered())
    return computers;
  initialiseCurl();
  std::unique_ptr<CURLM, MultiFree> multi(curl_multi_init());
  std::unique_ptr<curl_slist, ListFree> headers(
      curl_slist_append(nullptr, "Content-Type: application/soap+xml"));
  if (!multi || !headers)
    return computers;
  curl_multi_setopt(multi.get(), CURLMOPT_MAX_TOTAL_CONNECTIONS, kMaxTransfers);
  curl_multi_setopt(multi.get(), CURLMOPT_MAX_HOST_CONNECTIONS, kMaxTransfersPerHost);
  // Idle connections kept for reuse count against the descriptors too;
  // wsdd closes after each reply anyway.
  curl_multi_setopt(multi.get(), CURLMOPT_MAXCONNECTS, kMaxTransfers);
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
  // Queued transfers' own timeouts may only start when they leave the
  // queue, so the deadline of the whole is kept here.
  int running = 0;
  do {
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK)
      break;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    // A fork or the exit waits for this transfer, or the lookup was
    // cancelled: what came so far counts.
    if (running == 0 || left.count() <= 0 || libraryGateClosing() ||
        LookupCancellation::requested())
      break;
    if (curl_multi_poll(multi.get(), nullptr, 0,
                        static_cast<int>(std::min<int64_t>(left.count(), 100)),
                        nullptr) != CURLM_OK)
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
      computers.push_back(
          {name->name, name->workgroup, transfer->endpoint->host, transfer->endpoint->address});
  }
  for (const auto &transfer : transfers)
    curl_multi_remove_handle(multi.get(), transfer->easy.get());
  return computers;
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
  EndpointIntake intake(probeId);
  Clock::time_point lastResolve{};

  const auto receive = [&](const Ipv4Interface &interface, uint32_t from, uint16_t,
                           std::span<const unsigned char> datagram) {
    for (const ResolveRequest &resolve : intake.take(interface, from, textOf(datagram))) {
      sockets.send(group, kDiscoveryPort, bytes(resolve.message), resolve.interfaceIndex);
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
  if (intake.waitingForResolve())
    sockets.receiveUntil(lastResolve + times.resolveWait, kMaxMessageSize,
                         [&](const Ipv4Interface &interface, uint32_t from, uint16_t port,
                             std::span<const unsigned char> datagram) {
                           receive(interface, from, port, datagram);
                           return !intake.waitingForResolve();
                         });

  std::vector<DiscoveredComputer> found;
  for (DiscoveredComputer &computer : fetchMetadata(intake.reachable(), times.getTimeout)) {
    bool repeated = false;
    for (const DiscoveredComputer &earlier : found)
      repeated = repeated || sameIgnoringAsciiCase(earlier.name, computer.name);
    if (!repeated)
      found.push_back(std::move(computer));
  }
  return found;
}

} // namespace platform::wsd
