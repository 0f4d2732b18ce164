// The last resort for a name: the address WS-Discovery gave for that
// computer in this process (the host of its metadata address). A computer
// that announces itself but whose name neither DNS, mDNS nor NetBIOS knows
// is still reachable this way.
#pragma once

#include <platform/backends.h>

#include <functional>
#include <optional>

namespace platform {

class DiscoveredAddressLink final : public ResolverBackend {
public:
  using Lookup = std::function<std::optional<uint32_t>(const std::string &name)>;

  explicit DiscoveredAddressLink(Lookup lookup) : lookup_(std::move(lookup)) {}

  std::optional<HostEntry> byName(const std::string &name) override {
    const std::optional<uint32_t> address = lookup_(name);
    if (!address)
      return std::nullopt;
    return HostEntry{name, {}, {*address}};
  }
  std::optional<HostEntry> byAddress(uint32_t) override { return std::nullopt; }

private:
  Lookup lookup_;
};

} // namespace platform
