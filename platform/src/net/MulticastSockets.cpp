#include "net/MulticastSockets.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

MulticastSockets::MulticastSockets(const std::vector<Ipv4Interface> &interfaces, int ttl) {
  for (const Ipv4Interface &interface : interfaces) {
    if (interface.loopback || interface.address == 0)
      continue;
    OwnedSocket socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.ok())
      continue;
    const int fd = socket.fd();
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = interface.address;
    in_addr outgoing{};
    outgoing.s_addr = interface.address;
    const unsigned char hops = static_cast<unsigned char>(ttl);
    const unsigned char loop = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0 ||
        ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &outgoing, sizeof outgoing) != 0 ||
        ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &hops, sizeof hops) != 0)
      continue;
    ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
    sockets_.push_back(std::move(socket));
    interfaces_.push_back(interface);
  }
}

void MulticastSockets::send(uint32_t group, uint16_t port, std::span<const unsigned char> datagram,
                            int onlyInterface) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = group;
  for (size_t i = 0; i < sockets_.size(); ++i)
    if (onlyInterface == 0 || interfaces_[i].index == onlyInterface)
      ::sendto(sockets_[i].fd(), datagram.data(), datagram.size(), MSG_NOSIGNAL,
               reinterpret_cast<sockaddr *>(&to), sizeof to);
}

bool MulticastSockets::receiveUntil(Clock::time_point deadline, size_t maxSize,
                                    const Receiver &take) {
  std::vector<int> fds;
  for (const OwnedSocket &socket : sockets_)
    fds.push_back(socket.fd());
  return receiveDatagrams(
      fds, deadline, maxSize,
      [&](size_t index, uint32_t from, uint16_t fromPort, std::span<const unsigned char> datagram) {
        return take(interfaces_[index], from, fromPort, datagram);
      });
}

} // namespace platform
