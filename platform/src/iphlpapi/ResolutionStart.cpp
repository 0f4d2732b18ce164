#include "iphlpapi/ResolutionStart.h"

#include "net/Sockets.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <fstream>

namespace platform {

namespace {

constexpr uint16_t kDiscardPort = 9;

// One value of /proc/sys/net/ipv4/neigh/<interface>/; `fallback` when the
// setting cannot be read or makes no sense.
long neighbourSetting(const std::string &interfaceName, const char *setting, long fallback) {
  if (interfaceName.empty() || interfaceName.find('/') != std::string::npos)
    return fallback;
  std::ifstream in("/proc/sys/net/ipv4/neigh/" + interfaceName + "/" + setting);
  long value = 0;
  return (in >> value) && value >= 0 ? value : fallback;
}

} // namespace

int sendDiscardDatagram(uint32_t destination, uint32_t source) {
  const OwnedSocket owned(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!owned.ok())
    return errno;
  const int socket = owned.fd();
  int error = 0;
  if (source != 0) {
    sockaddr_in from{};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = source;
    if (::bind(socket, reinterpret_cast<const sockaddr *>(&from), sizeof from) != 0)
      error = errno;
  }
  if (error == 0) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDiscardPort);
    to.sin_addr.s_addr = destination;
    if (::sendto(socket, "", 0, MSG_DONTWAIT, reinterpret_cast<const sockaddr *>(&to), sizeof to) <
        0)
      error = errno;
  }
  return error;
}

std::chrono::milliseconds resolutionGiveUpTime(const std::string &interfaceName) {
  const long probes = neighbourSetting(interfaceName, "mcast_solicit", 3) +
                      neighbourSetting(interfaceName, "app_solicit", 0);
  const long interval = neighbourSetting(interfaceName, "retrans_time_ms", 1000);
  return std::chrono::milliseconds(probes * interval);
}

std::chrono::milliseconds reconfirmationTime(const std::string &interfaceName) {
  const long delay = neighbourSetting(interfaceName, "delay_first_probe_time", 5);
  const long probes = neighbourSetting(interfaceName, "ucast_solicit", 3);
  const long interval = neighbourSetting(interfaceName, "retrans_time_ms", 1000);
  return std::chrono::seconds(delay) + std::chrono::milliseconds(probes * interval);
}

} // namespace platform
