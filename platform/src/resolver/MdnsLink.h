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
  // A responder answers its own host name at once (it is a unique record,
  // which needs no random delay), within a few milliseconds on a LAN. One
  // query, a second one after kRetryAfter in case either datagram was lost,
  // and no answer by kGiveUpAfter means nobody holds the name: every name
  // the next links must find pays this wait first, so it stays short.
  static constexpr std::chrono::milliseconds kRetryAfter{100};
  static constexpr std::chrono::milliseconds kGiveUpAfter{200};

  // Settings are read again for every lookup.
  explicit MdnsLink(std::function<MdnsSettings()> settings) : settings_(std::move(settings)) {}

  std::optional<HostEntry> byName(const std::string &name) override;
  std::optional<HostEntry> byAddress(uint32_t) override { return std::nullopt; }

private:
  std::function<MdnsSettings()> settings_;
};

} // namespace platform
