#include "ws2_32/Ws2_32Backends.h"
#include "common/SystemDiscovery.h"
#include "common/Switches.h"
#include "common/WorkAhead.h"
#include "iphlpapi/IphlpapiBackends.h"
#include "kernel32/Kernel32Backends.h"
#include "ws2_32/resolver/DiscoveredAddressLink.h"
#include "ws2_32/resolver/LocalNameLink.h"
#include "ws2_32/resolver/MdnsLink.h"
#include "ws2_32/resolver/ResolverChain.h"
#include "ws2_32/resolver/SimultaneousLinks.h"

namespace {

// The address the work ahead found for a computer of the search being listed,
// moments ago; the chain's answer for anything else.
class WorkAheadResolver final : public platform::ResolverBackend {
public:
  explicit WorkAheadResolver(platform::ResolverBackend &chain) : chain_(chain) {}

  std::optional<platform::HostEntry> byName(const std::string &name) override {
    namespace ahead = platform::ahead;
    ahead::PreparedHost prepared = ahead::preparedHost(name);
    switch (prepared.step) {
    case ahead::AddressStep::Resolved:
      return std::move(prepared.host);
    case ahead::AddressStep::Unresolved:
      return std::nullopt;
    case ahead::AddressStep::NotPrepared:
      break;
    }
    return chain_.byName(name);
  }
  std::optional<platform::HostEntry> byAddress(uint32_t address) override {
    return chain_.byAddress(address);
  }

private:
  platform::ResolverBackend &chain_;
};

} // namespace

// The links are never destroyed: the work ahead's threads may still be
// resolving while the process exits.
platform::ResolverBackend &platform::systemResolver() {
  static auto &localName = *new LocalNameLink([] { return currentNames().hostName(); },
                                              nameServiceSwitch(), upIpv4Interfaces);
  static auto &mdns = *new MdnsLink(systemMdnsSettings);
  static auto &netbios = *new NetbiosLink(systemNetbiosSettings);
  static auto &discovered =
      *new DiscoveredAddressLink([](const std::string &name) -> std::optional<uint32_t> {
        if (!wsDiscoveryEnabled())
          return std::nullopt;
        return systemDiscovery().addressOf(name);
      });
  // Multicast DNS and NetBIOS go out together; the first to answer wins.
  static auto &multicastAndNetbios = *new SimultaneousLinks({&mdns, &netbios});
  static auto &chain =
      *new ResolverChain({&localName, &nameServiceSwitch(), &multicastAndNetbios, &discovered});
  static auto &resolver = *new WorkAheadResolver(chain);
  return resolver;
}
