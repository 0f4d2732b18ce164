#include "ws2_32/resolver/ResolverChain.h"

namespace platform {

std::optional<HostEntry> ResolverChain::byName(const std::string &name) {
  for (ResolverBackend *link : links_)
    if (std::optional<HostEntry> entry = link->byName(name); entry && !entry->addresses.empty())
      return entry;
  return std::nullopt;
}

std::optional<HostEntry> ResolverChain::byAddress(uint32_t address) {
  for (ResolverBackend *link : links_)
    if (std::optional<HostEntry> entry = link->byAddress(address))
      return entry;
  return std::nullopt;
}

} // namespace platform
