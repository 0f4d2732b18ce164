#include "SystemBackends.h"
#include "SystemDiscovery.h"
#include "SystemInterfaces.h"
#include "resolver/DiscoveredAddressLink.h"
#include "resolver/LocalNameLink.h"
#include "resolver/MdnsLink.h"
#include "resolver/ResolverChain.h"
#include "resolver/SimultaneousLinks.h"

platform::ResolverBackend &platform::systemResolver() {
  static LocalNameLink localName([] { return currentNames().hostName(); }, nameServiceSwitch(),
                                 upIpv4Interfaces);
  static MdnsLink mdns(systemMdnsSettings);
  static NetbiosLink netbios(systemNetbiosSettings);
  static DiscoveredAddressLink discovered([](const std::string &name) -> std::optional<uint32_t> {
    if (!wsDiscoveryEnabled())
      return std::nullopt;
    return systemDiscovery().addressOf(name);
  });
  // Multicast DNS and NetBIOS go out together; the first to answer wins.
  static SimultaneousLinks multicastAndNetbios({&mdns, &netbios});
  static ResolverChain chain({&localName, &nameServiceSwitch(), &multicastAndNetbios, &discovered});
  return chain;
}
