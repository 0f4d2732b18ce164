#include "iphlpapi/IphlpapiBackends.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

// The interface the main table's default route leaves through, by name.
// /proc/net/route shows the routes of the reader's network namespace.
std::string defaultRouteInterface() {
  std::ifstream routes("/proc/net/route");
  std::string line;
  std::getline(routes, line); // the column headings
  while (std::getline(routes, line)) {
    std::istringstream fields(line);
    std::string name, destination, gateway, flags, refCount, use, metric, mask;
    if (fields >> name >> destination >> gateway >> flags >> refCount >> use >> metric >> mask &&
        destination == "00000000" && mask == "00000000")
      return name;
  }
  return {};
}

} // namespace

std::vector<platform::Ipv4Interface> platform::upIpv4Interfaces() {
  std::vector<Ipv4Interface> interfaces;
  struct ifaddrs *all = nullptr;
  if (::getifaddrs(&all) != 0)
    return interfaces;
  const std::string viaDefault = defaultRouteInterface();
  for (const struct ifaddrs *i = all; i != nullptr; i = i->ifa_next) {
    if (i->ifa_addr == nullptr || i->ifa_addr->sa_family != AF_INET || (i->ifa_flags & IFF_UP) == 0)
      continue;
    Ipv4Interface entry;
    entry.index = static_cast<int>(::if_nametoindex(i->ifa_name));
    entry.address = reinterpret_cast<const sockaddr_in *>(i->ifa_addr)->sin_addr.s_addr;
    if ((i->ifa_flags & IFF_BROADCAST) != 0 && i->ifa_broadaddr != nullptr &&
        i->ifa_broadaddr->sa_family == AF_INET)
      entry.broadcast = reinterpret_cast<const sockaddr_in *>(i->ifa_broadaddr)->sin_addr.s_addr;
    if (i->ifa_netmask != nullptr && i->ifa_netmask->sa_family == AF_INET)
      entry.netmask = reinterpret_cast<const sockaddr_in *>(i->ifa_netmask)->sin_addr.s_addr;
    entry.loopback = (i->ifa_flags & IFF_LOOPBACK) != 0;
    entry.defaultRoute = !viaDefault.empty() && viaDefault == i->ifa_name;
    interfaces.push_back(entry);
  }
  ::freeifaddrs(all);
  return interfaces;
}
