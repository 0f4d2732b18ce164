#include "LoopbackNameServer.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

namespace {

sockaddr_in loopback(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

int bound(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  const sockaddr_in local = loopback(port);
  if (fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr *>(&local), sizeof local) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

} // namespace

LoopbackNameServer::LoopbackNameServer() : server_(bound(137)), forger_(bound(138)) {}

LoopbackNameServer::~LoopbackNameServer() {
  for (int fd : {server_, forger_})
    if (fd >= 0)
      ::close(fd);
}

std::optional<LoopbackNameServer::Query> LoopbackNameServer::nextQuery() {
  pollfd waiting{server_, POLLIN, 0};
  if (::poll(&waiting, 1, 2000) != 1)
    return std::nullopt;
  unsigned char packet[576];
  sockaddr_in from{};
  socklen_t length = sizeof from;
  const ssize_t received =
      ::recvfrom(server_, packet, sizeof packet, 0, reinterpret_cast<sockaddr *>(&from), &length);
  if (received < 12)
    return std::nullopt;
  return Query{static_cast<uint16_t>(packet[0] << 8 | packet[1]), ntohs(from.sin_port)};
}

void LoopbackNameServer::answer(const Query &query, uint16_t fromPort,
                                const std::vector<unsigned char> &packet) {
  const sockaddr_in to = loopback(query.clientPort);
  ::sendto(fromPort == 137 ? server_ : forger_, packet.data(), packet.size(), 0,
           reinterpret_cast<const sockaddr *>(&to), sizeof to);
}

} // namespace testsupport
