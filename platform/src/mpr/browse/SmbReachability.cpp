#include "mpr/browse/SmbReachability.h"

#include "net/Sockets.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <vector>

namespace {

using platform::OwnedSocket;

using Clock = std::chrono::steady_clock;

constexpr std::array<unsigned short, 2> kSmbPorts = {445, 139};

OwnedSocket connectingSocket() {
  return OwnedSocket(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
}

// Starts a connect; true while it may still succeed.
bool startConnect(const OwnedSocket &socket, in_addr address, unsigned short port,
                  bool &connected) {
  if (socket.fd() < 0)
    return false;
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_port = htons(port);
  target.sin_addr = address;
  if (connect(socket.fd(), reinterpret_cast<const sockaddr *>(&target), sizeof target) == 0) {
    connected = true;
    return true;
  }
  return errno == EINPROGRESS;
}

bool connectSucceeded(int fd) {
  int error = 0;
  socklen_t length = sizeof error;
  return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

} // namespace

bool platform::smbPortAnswers(in_addr address, std::chrono::milliseconds limit) {
  return anyPortAnswers(address, kSmbPorts, limit);
}

bool platform::anyPortAnswers(in_addr address, std::span<const unsigned short> ports,
                              std::chrono::milliseconds limit) {
  std::vector<OwnedSocket> sockets;
  for (size_t i = 0; i < ports.size(); ++i)
    sockets.push_back(connectingSocket());
  std::vector<pollfd> waiting(ports.size());
  size_t pending = 0;
  for (size_t i = 0; i < ports.size(); ++i) {
    bool connected = false;
    if (!startConnect(sockets[i], address, ports[i], connected))
      continue;
    if (connected)
      return true;
    waiting[pending++] = {sockets[i].fd(), POLLOUT, 0};
  }
  const Clock::time_point deadline = Clock::now() + limit;
  while (pending > 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0)
      return false;
    const int ready = poll(waiting.data(), pending, static_cast<int>(left));
    if (ready < 0 && errno == EINTR)
      continue;
    if (ready <= 0)
      return false;
    for (size_t i = 0; i < pending;) {
      if (waiting[i].revents == 0) {
        ++i;
        continue;
      }
      if (connectSucceeded(waiting[i].fd))
        return true;
      waiting[i] = waiting[--pending];
    }
  }
  return false;
}
