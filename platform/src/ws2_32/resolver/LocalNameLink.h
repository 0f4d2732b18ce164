// This machine's own name answers from its adapters, as on Windows. A stock
// Linux hosts file maps the host name to a loopback address (127.0.1.1),
// which tells a LAN tool nothing; the name service's answer is kept only when
// it holds a real address.
#pragma once

#include "net/Ipv4Interface.h"

#include <platform/backends.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace platform {

class LocalNameLink final : public ResolverBackend {
public:
  using HostNameSource = std::function<std::optional<std::string>()>;
  using InterfaceSource = std::function<std::vector<Ipv4Interface>()>;

  // nameService: the link asked first for this machine's name.
  LocalNameLink(HostNameSource hostName, ResolverBackend &nameService, InterfaceSource interfaces)
      : hostName_(std::move(hostName)), nameService_(nameService),
        interfaces_(std::move(interfaces)) {}

  // For any other name: no answer, so the next link is asked.
  std::optional<HostEntry> byName(const std::string &name) override;
  std::optional<HostEntry> byAddress(uint32_t) override { return std::nullopt; }

  // Case-insensitive, and a name with a domain part matches one without.
  static bool namesThisMachine(const std::string &name, const std::string &hostName);

private:
  HostNameSource hostName_;
  ResolverBackend &nameService_;
  InterfaceSource interfaces_;
};

} // namespace platform
