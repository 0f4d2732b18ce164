// Links asked side by side, each on a thread of its own, as Windows sends its
// multicast and NetBIOS name queries together: the first that knows the name
// answers, and the others are stopped. On a NetBIOS LAN a name then costs
// the NetBIOS answer's time, not the multicast wait before it, and on a LAN
// without NetBIOS the multicast answer does not wait for NetBIOS to give up.
#pragma once

#include "ws2_32/resolver/ResolverChain.h"

namespace platform {

// Addresses are asked of each link in turn, as in a chain.
class SimultaneousLinks final : public ResolverChain {
public:
  using ResolverChain::ResolverChain;

  std::optional<HostEntry> byName(const std::string &name) override;
};

} // namespace platform
