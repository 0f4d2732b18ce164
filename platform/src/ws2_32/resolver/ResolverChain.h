// The name services gethostbyname and gethostbyaddr ask, in order: the first
// link that knows a name or address answers for all.
#pragma once

#include <platform/backends.h>

#include <vector>

namespace platform {

class ResolverChain : public ResolverBackend {
public:
  explicit ResolverChain(std::vector<ResolverBackend *> links) : links_(std::move(links)) {}

  std::optional<HostEntry> byName(const std::string &name) override;
  std::optional<HostEntry> byAddress(uint32_t address) override;

protected:
  std::vector<ResolverBackend *> links_;
};

} // namespace platform
