// The names of the addresses a sweep found, as a Windows PC names an address
// it has no browse entry for: the hosts file and DNS, then whatever the host
// itself answers to NetBIOS or multicast DNS. Several addresses are named at
// once, so that hosts which answer neither cost one wait, not one each.
#include "ws2_32/Ws2_32Backends.h"

#include "common/PlatformThread.h"
#include "common/Switches.h"
#include "net/AnswerAddress.h"
#include "net/MulticastSockets.h"
#include "net/RandomBytes.h"
#include "net/mdns/MdnsPackets.h"
#include "net/mdns/MdnsReverse.h"
#include "net/netbios/NetbiosClient.h"

#include <platform/lan.h>

#include <arpa/inet.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <future>
#include <mutex>
#include <thread>

namespace platform {

namespace {

// A host answers its own node status at once; one repeat covers a lost
// datagram without making every silent address cost NetBIOS's full 2.25 s.
constexpr netbios::Retries kNodeStatusRetries{2, std::chrono::milliseconds(500)};

std::optional<std::string> netbiosName(uint32_t address) {
  if (!netbiosEnabled())
    return std::nullopt;
  const auto names = netbios::queryNodeStatus(address, kNodeStatusRetries);
  return names ? netbios::workstationName(*names) : std::nullopt;
}

// Asked on the interface whose subnet holds the address; only the host
// itself may answer.
std::optional<std::string> mdnsName(uint32_t address) {
  MdnsSettings settings = systemMdnsSettings();
  if (!settings.enabled)
    return std::nullopt;
  std::erase_if(settings.interfaces,
                [&](const Ipv4Interface &i) { return i.loopback || !isOnLinkPeer(i, address); });
  MulticastSockets sockets(settings.interfaces, mdns::kMulticastTtl);
  if (sockets.empty())
    return std::nullopt;
  const uint16_t id = randomQueryId();
  const std::vector<unsigned char> query = mdns::reverseQuery(id, address);
  uint32_t group = 0;
  ::inet_pton(AF_INET, mdns::kGroup, &group);
  std::optional<std::string> name;
  const auto take = [&](const Ipv4Interface &, uint32_t from, uint16_t fromPort,
                        std::span<const unsigned char> packet) {
    if (from != address || fromPort != mdns::kPort)
      return false;
    name = mdns::readReverseAnswer(packet, id, address);
    return name.has_value();
  };
  const auto start = MulticastSockets::Clock::now();
  sockets.send(group, mdns::kPort, query);
  if (!sockets.receiveUntil(start + MdnsLink::kRetryAfter, mdns::kMaxDatagram, take)) {
    sockets.send(group, mdns::kPort, query);
    sockets.receiveUntil(start + MdnsLink::kGiveUpAfter, mdns::kMaxDatagram, take);
  }
  return name;
}

AddressName nameOf(uint32_t address) {
  if (auto entry = nameServiceSwitch().byAddress(address); entry && !entry->name.empty())
    return {entry->name, NameSource::HostsOrDns};
  std::packaged_task<std::optional<std::string>()> askMdns([address] { return mdnsName(address); });
  std::future<std::optional<std::string>> fromMdns = askMdns.get_future();
  std::thread beside;
  try {
    beside = platformThread([&askMdns] { askMdns(); });
  } catch (const std::system_error &) {
    // Without a thread, after the NetBIOS query.
  }
  std::optional<std::string> fromNetbios;
  try {
    fromNetbios = netbiosName(address);
  } catch (...) {
    if (beside.joinable())
      beside.join();
    throw;
  }
  if (beside.joinable())
    beside.join();
  else
    askMdns();
  std::optional<std::string> mdns = fromMdns.get();
  if (fromNetbios && !fromNetbios->empty())
    return {*fromNetbios, NameSource::Netbios};
  if (mdns && !mdns->empty())
    return {*mdns, NameSource::Mdns};
  return {};
}

} // namespace

std::vector<AddressName> nameAddresses(const std::vector<uint32_t> &addresses) {
  std::vector<AddressName> names(addresses.size());
  std::atomic<size_t> next{0};
  std::mutex lock;
  std::exception_ptr failure;
  const auto work = [&] {
    try {
      for (size_t i = next++; i < addresses.size(); i = next++)
        names[i] = nameOf(addresses[i]);
    } catch (...) {
      // Out of memory: the call fails as it would on the caller's thread.
      const std::lock_guard guard(lock);
      failure = std::current_exception();
      next = addresses.size();
    }
  };
  std::vector<std::thread> workers;
  const size_t count = std::min(kNamingsAtOnce, addresses.size());
  try {
    for (size_t i = 1; i < count; ++i)
      workers.push_back(platformThread(work));
  } catch (const std::system_error &) {
    // Fewer threads: the ones there are, and this one, share the work.
  }
  work();
  for (std::thread &worker : workers)
    worker.join();
  if (failure)
    std::rethrow_exception(failure);
  return names;
}

} // namespace platform
