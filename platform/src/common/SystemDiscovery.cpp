#include "common/SystemDiscovery.h"
#include "common/Switches.h"
#include "iphlpapi/IphlpapiBackends.h"
#include "net/wsd/WsdClient.h"

platform::wsd::DiscoveryCache &platform::systemDiscovery() {
  // Never destroyed: the resolver's threads may ask for it at exit.
  static auto &cache =
      *new wsd::DiscoveryCache([] { return wsd::discoverComputers(upIpv4Interfaces()); });
  return cache;
}

std::vector<platform::wsd::DiscoveredComputer> platform::discoveredComputers() {
  if (!wsDiscoveryEnabled())
    return {};
  return systemDiscovery().computers();
}
