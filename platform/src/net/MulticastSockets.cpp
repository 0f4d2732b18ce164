#include "net/MulticastSockets.h"

#include "net/LookupCancellation.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {

MulticastSockets::MulticastSockets(const std::vector<Ipv4Interface> &interfaces, int ttl) {
  for (const Ipv4Interface &interface : interfaces) {
    if (interface.loopback || interface.address == 0)
      continue;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
      continue;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = interface.address;
    in_addr outgoing{};
    outgoing.s_addr = interface.address;
    const unsigned char hops = static_cast<unsigned char>(ttl);
    const unsigned char loop = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0 ||
        ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &outgoing, sizeof outgoing) != 0 ||
        ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &hops, sizeof hops) != 0) {
      ::close(fd);
      continue;
    }
    ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_LOOP, &loop, sizeof loop);
    sockets_.push_back(fd);
    interfaces_.push_back(interface);
  }
}

MulticastSockets::~MulticastSockets() {
  for (int fd : sockets_)
    ::close(fd);
}

void MulticastSockets::send(uint32_t group, uint16_t port, std::span<const unsigned char> datagram,
                            int onlyInterface) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(port);
  to.sin_addr.s_addr = group;
  for (size_t i = 0; i < sockets_.size(); ++i)
    if (onlyInterface == 0 || interfaces_[i].index == onlyInterface)
      ::sendto(sockets_[i], datagram.data(), datagram.size(), MSG_NOSIGNAL,
               reinterpret_cast<sockaddr *>(&to), sizeof to);
}

bool MulticastSockets::receiveUntil(Clock::time_point deadline, size_t maxSize,
                                    const Receiver &take) {
  if (sockets_.empty())
    return false;
  std::vector<pollfd> waiting;
  for (int fd : sockets_)
    waiting.push_back({fd, POLLIN, 0});
  // One byte more than accepted shows that a datagram was too long.
  std::vector<unsigned char> buffer(maxSize + 1);
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0 || LookupCancellation::requested())
      return false;
    for (pollfd &p : waiting)
      p.revents = 0;
    if (::poll(waiting.data(), waiting.size(),
               static_cast<int>(LookupCancellation::slice(left).count())) <= 0)
      continue; // timed out (the loop ends) or interrupted
    for (size_t i = 0; i < waiting.size(); ++i) {
      if ((waiting[i].revents & POLLIN) == 0)
        continue;
      sockaddr_in from{};
      socklen_t fromLength = sizeof from;
      const ssize_t received =
          ::recvfrom(sockets_[i], buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC,
                     reinterpret_cast<sockaddr *>(&from), &fromLength);
      if (received < 0 || static_cast<size_t>(received) > maxSize || from.sin_family != AF_INET)
        continue;
      if (take(interfaces_[i], from.sin_addr.s_addr, ntohs(from.sin_port),
               {buffer.data(), static_cast<size_t>(received)}))
        return true;
    }
  }
}

} // namespace platform
