// Links asked side by side, each on a thread of its own, as Windows sends its
// multicast and NetBIOS name queries together: the first that knows the name
// answers, and the others are stopped. On a NetBIOS LAN a name then costs
// the NetBIOS answer's time, not the multicast wait before it, and on a LAN
// without NetBIOS the multicast answer does not wait for NetBIOS to give up.
#pragma once

#include <platform/backends.h>

#include <vector>

namespace platform {

class SimultaneousLinks final : public ResolverBackend {
public:
  explicit SimultaneousLinks(std::vector<ResolverBackend *> links) : links_(std::move(links)) {}

  std::optional<HostEntry> byName(const std::string &name) override;
  // Addresses are asked of each link in turn.
  std::optional<HostEntry> byAddress(uint32_t address) override;

private:
  std::vector<ResolverBackend *> links_;
};

} // namespace platform
