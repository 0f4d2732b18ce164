// Multicast DNS for single-label names, as Windows 10 and later ask it after
// DNS: an A query for NAME.local to 224.0.0.251:5353 on every up interface,
// answered by the host itself (Avahi, Bonjour, Windows). Hosts on a LAN
// without NetBIOS are found this way.
#pragma once

#include "net/Ipv4Interface.h"

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
  // LAN answers came within 2 ms. A Wi-Fi access point may hold multicast
  // for sleeping stations for a beacon interval (about 100 ms), so the query
  // goes out again after kRetryAfter, and no answer by kGiveUpAfter means
  // nobody holds the name. The system chain asks NetBIOS at the same time,
  // so a name NetBIOS knows does not wait for this.
  static constexpr std::chrono::milliseconds kRetryAfter{100};
  static constexpr std::chrono::milliseconds kGiveUpAfter{300};

  // Settings are read again for every lookup.
  explicit MdnsLink(std::function<MdnsSettings()> settings) : settings_(std::move(settings)) {}

  std::optional<HostEntry> byName(const std::string &name) override;
  std::optional<HostEntry> byAddress(uint32_t) override { return std::nullopt; }

  // Whether a datagram that arrived on `interface` may be an answer: it
  // comes from the mDNS port of a host on that interface's subnet (RFC 6762
  // section 11). A legacy unicast query is answered from port 5353 too; an
  // answer from anywhere else was not sent by a responder on this link.
  static bool isResponder(const Ipv4Interface &interface, uint32_t from, uint16_t fromPort);

private:
  std::function<MdnsSettings()> settings_;
};

} // namespace platform
