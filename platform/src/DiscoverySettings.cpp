#include "SystemDiscovery.h"
#include "SystemInterfaces.h"
#include "discovery/WsdClient.h"

#include <cstdlib>
#include <string_view>

namespace {

bool switchedOff(const char *variable) {
  const char *value = std::getenv(variable);
  return value != nullptr && std::string_view(value) == "0";
}

} // namespace

bool platform::wsDiscoveryEnabled() {
  return !switchedOff("VELNOR_WSD");
}

platform::MdnsSettings platform::systemMdnsSettings() {
  if (switchedOff("VELNOR_MDNS"))
    return {false, {}};
  return {true, upIpv4Interfaces()};
}

platform::wsd::DiscoveryCache &platform::systemDiscovery() {
  static wsd::DiscoveryCache cache([] { return wsd::discoverComputers(upIpv4Interfaces()); });
  return cache;
}

std::vector<platform::wsd::DiscoveredComputer> platform::discoveredComputers() {
  if (!wsDiscoveryEnabled())
    return {};
  return systemDiscovery().computers();
}
