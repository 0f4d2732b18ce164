#include "SystemBackends.h"
#include "SystemDiscovery.h"
#include "SystemInterfaces.h"
#include "resolver/DiscoveredAddressLink.h"
#include "resolver/LocalNameLink.h"
#include "resolver/MdnsLink.h"
#include "resolver/ResolverChain.h"

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
  static ResolverChain chain({&localName, &nameServiceSwitch(), &mdns, &netbios, &discovered});
  return chain;
}
