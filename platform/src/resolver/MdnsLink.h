// Multicast DNS for single-label names, as Windows 10 and later ask it after
// DNS: an A query for NAME.local to 224.0.0.251:5353 on every up interface,
// answered by the host itself (Avahi, Bonjour, Windows). Hosts on a LAN
// without NetBIOS are found this way.
#pragma once

#include "Ipv4Interface.h"

#include <platform/backends.h>

#include <chrono>
#include <functional>
#include <vector>

namespace platform {

struct MdnsSettings {
  bool enabled = true;
  std::vector<Ipv4Interface> interfaces;
};

class MdnsLink final : public ResolverBackend {
public:
  // A responder answers its own host name at once: it is a unique record,
  // which RFC 6762 sends without the random delay of shared ones; on the lab
  // LAN answers came within 2 ms. Every name the next links must find (all
  // of a NetBIOS LAN's) pays the whole wait first, once per lookup, so it is
  // kept short: a second query after kRetryAfter in case either datagram
  // was lost, and no answer by kGiveUpAfter means nobody holds the name. A
  // Wi-Fi LAN whose access point holds multicast for sleeping stations
  // (up to a beacon interval, about 100 ms) may miss it; NetBIOS and the
  // discovered address are still asked then.
  static constexpr std::chrono::milliseconds kRetryAfter{40};
  static constexpr std::chrono::milliseconds kGiveUpAfter{100};

  // Settings are read again for every lookup.
  explicit MdnsLink(std::function<MdnsSettings()> settings) : settings_(std::move(settings)) {}

  std::optional<HostEntry> byName(const std::string &name) override;
  std::optional<HostEntry> byAddress(uint32_t) override { return std::nullopt; }

private:
  std::function<MdnsSettings()> settings_;
};

} // namespace platform
