#include "net/wsd/AnnouncementListener.h"

#include "net/AnswerAddress.h"
#include "net/wsd/EndpointIntake.h"
#include "net/wsd/WsdClient.h"
#include "net/wsd/WsdMessages.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace platform::wsd {

namespace {

constexpr char kDiscoveryGroup[] = "239.255.255.250";
constexpr uint16_t kDiscoveryPort = 3702;

// A socket that receives the group's datagrams of one interface only.
OwnedSocket groupSocket(const Ipv4Interface &interface, uint32_t group) {
  OwnedSocket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (!socket.ok())
    return socket;
  const int fd = socket.fd();
  const int on = 1;
  const int off = 0;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(kDiscoveryPort);
  local.sin_addr.s_addr = group;
  ip_mreqn membership{};
  membership.imr_multiaddr.s_addr = group;
  membership.imr_ifindex = interface.index;
  // A responder (wsdd) on this machine has the port too. Without
  // IP_MULTICAST_ALL off, every socket would get the group's datagrams of
  // every interface, and the subnet checks would be made against the wrong
  // one.
  if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_ALL, &off, sizeof off) != 0 ||
      ::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0 ||
      ::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &membership, sizeof membership) != 0)
    return OwnedSocket(-1);
  return socket;
}

} // namespace

AnnouncementListener::AnnouncementListener(const std::vector<Ipv4Interface> &interfaces) {
  uint32_t group = 0;
  ::inet_pton(AF_INET, kDiscoveryGroup, &group);
  for (const Ipv4Interface &interface : interfaces) {
    if (interface.loopback || interface.address == 0)
      continue;
    OwnedSocket socket = groupSocket(interface, group);
    if (!socket.ok())
      continue;
    sockets_.push_back(std::move(socket));
    interfaces_.push_back(interface);
  }
}

void AnnouncementListener::listenUntil(DatagramClock::time_point deadline, const Joined &joined,
                                       const Left &left, std::chrono::milliseconds getTimeout) {
  const auto describe = [&](Unanswered &hello) {
    std::vector<DiscoveredComputer> computers = fetchMetadata({hello.endpoint}, getTimeout);
    for (DiscoveredComputer &computer : computers)
      joined(std::move(computer));
    return !computers.empty();
  };
  // A device says Hello as it starts, and may serve its metadata a moment
  // later.
  std::erase_if(unanswered_, [&](Unanswered &hello) {
    if (DatagramClock::now() < hello.retryAt)
      return false;
    return describe(hello) || ++hello.attempts >= kHelloAttempts;
  });
  std::vector<int> fds;
  for (const OwnedSocket &socket : sockets_)
    fds.push_back(socket.fd());
  receiveDatagrams(
      fds, deadline, kMaxMessageSize,
      [&](size_t index, uint32_t from, uint16_t, std::span<const unsigned char> bytes) {
        const Ipv4Interface &interface = interfaces_[index];
        if (!isOnLinkPeer(interface, from) || !isLanHostAddress(from))
          return false;
        const std::optional<Announcement> said =
            readAnnouncement({reinterpret_cast<const char *>(bytes.data()), bytes.size()});
        if (!said)
          return false;
        if (!said->hello) {
          std::erase_if(unanswered_, [&](const Unanswered &hello) {
            return hello.endpoint.address == said->match.endpoint;
          });
          left(said->match.endpoint);
          return false;
        }
        for (const std::string &xaddr : said->match.xaddrs)
          if (const uint32_t host = metadataAddress(xaddr, interface); host != 0) {
            Unanswered hello{{said->match.endpoint, interface, from, xaddr, host},
                             1,
                             DatagramClock::now() + kHelloRetryAfter};
            if (!describe(hello) && unanswered_.size() < kMaxUnanswered)
              unanswered_.push_back(std::move(hello));
            break;
          }
        return false;
      });
}

} // namespace platform::wsd
