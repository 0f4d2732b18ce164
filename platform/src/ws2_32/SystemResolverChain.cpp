#include "ws2_32/Ws2_32Backends.h"
#include "common/SystemDiscovery.h"
#include "common/Switches.h"
#include "iphlpapi/IphlpapiBackends.h"
#include "kernel32/Kernel32Backends.h"
#include "ws2_32/resolver/DiscoveredAddressLink.h"
#include "ws2_32/resolver/LocalNameLink.h"
#include "ws2_32/resolver/MdnsLink.h"
#include "ws2_32/resolver/ResolverChain.h"
#include "ws2_32/resolver/SimultaneousLinks.h"

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
