// NetBIOS name service as Windows asks it after hosts and DNS: a name query
// to the WINS server (if one is set), then by broadcast on each subnet; and
// for an address without a reverse entry, a node status request to it.
#pragma once

#include "net/netbios/NetbiosClient.h"

#include <platform/backends.h>

#include <functional>
#include <optional>
#include <vector>

namespace platform {

struct NetbiosSettings {
  // Off like an adapter with NetBIOS over TCP/IP disabled.
  bool enabled = true;
  std::optional<uint32_t> winsServer;
  // Of every up interface that has one; network byte order.
  std::vector<uint32_t> broadcastAddresses;
};

class NetbiosLink final : public ResolverBackend {
public:
  // Windows' NetBT defaults: NameSrvQueryCount/Timeout and
  // BcastNameQueryCount/Timeout. The node status request to one address is
  // retried like a broadcast query.
  static constexpr netbios::Retries kWinsRetries{3, std::chrono::milliseconds(1500)};
  static constexpr netbios::Retries kBroadcastRetries{3, std::chrono::milliseconds(750)};
  static constexpr netbios::Retries kNodeStatusRetries{3, std::chrono::milliseconds(750)};

  // Settings are read again for every lookup.
  explicit NetbiosLink(std::function<NetbiosSettings()> settings)
      : settings_(std::move(settings)) {}

  std::optional<HostEntry> byName(const std::string &name) override;
  std::optional<HostEntry> byAddress(uint32_t address) override;

  // Addresses a node status request is never sent to: 0.0.0.0, the limited
  // broadcast, multicast and loopback.
  static bool isNodeStatusTarget(uint32_t address);

private:
  std::function<NetbiosSettings()> settings_;
};

} // namespace platform
