#include "common/Switches.h"
#include "iphlpapi/IphlpapiBackends.h"
#include "ws2_32/Ws2_32Backends.h"

#include <windows.h>

#include <arpa/inet.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

namespace {

// libsmbclient's own order: the user's file, then the system's.
std::string sambaConfigurationPath() {
  if (const char *home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    const std::string own = std::string(home) + "/.smb/smb.conf";
    std::error_code error;
    if (std::filesystem::is_regular_file(own, error))
      return own;
  }
  return "/etc/samba/smb.conf";
}

// `wins server` may list several servers, each optionally as TAG:ADDRESS;
// the first one is asked. A server given by name is not used: resolving it
// would need the name service that is asking.
std::optional<uint32_t> configuredWinsServer() {
  char value[512] = "";
  // Reading the file is the resolver's own business: the caller's last
  // error stays as it was (no smb.conf at all would leave
  // ERROR_FILE_NOT_FOUND), as it does when a platform thread reads it.
  const DWORD callerError = GetLastError();
  GetPrivateProfileStringA("global", "wins server", "", value, sizeof value,
                           sambaConfigurationPath().c_str());
  SetLastError(callerError);
  std::istringstream servers(value);
  std::string first;
  if (!(servers >> first))
    return std::nullopt;
  first = first.substr(first.rfind(':') + 1);
  uint32_t address = 0;
  if (::inet_pton(AF_INET, first.c_str(), &address) != 1 || address == 0)
    return std::nullopt;
  return address;
}

} // namespace

platform::NetbiosSettings platform::systemNetbiosSettings() {
  NetbiosSettings settings;
  if (!netbiosEnabled()) {
    settings.enabled = false;
    return settings;
  }
  settings.winsServer = configuredWinsServer();
  for (const Ipv4Interface &i : upIpv4Interfaces())
    if (i.broadcast != 0 && !i.loopback)
      settings.broadcastAddresses.push_back(i.broadcast);
  return settings;
}

platform::MdnsSettings platform::systemMdnsSettings() {
  if (!mdnsEnabled())
    return {false, {}};
  return {true, upIpv4Interfaces()};
}
