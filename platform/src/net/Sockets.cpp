#include "net/Sockets.h"

#include "net/LookupCancellation.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace platform {

OwnedSocket::~OwnedSocket() {
  if (fd_ >= 0)
    ::close(fd_);
}

OwnedSocket &OwnedSocket::operator=(OwnedSocket &&other) noexcept {
  if (this != &other) {
    if (fd_ >= 0)
      ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

bool receiveDatagrams(std::span<const int> sockets, DatagramClock::time_point deadline,
                      size_t maxSize, const DatagramTaker &take) {
  if (sockets.empty())
    return false;
  std::vector<pollfd> waiting;
  for (int fd : sockets)
    waiting.push_back({fd, POLLIN, 0});
  // Readable once the lookup is cancelled; the check above the poll ends it.
  if (const int wake = LookupCancellation::wakeDescriptor(); wake >= 0)
    waiting.push_back({wake, POLLIN, 0});
  // One byte more than accepted shows that a datagram was too long.
  std::vector<unsigned char> buffer(maxSize + 1);
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - DatagramClock::now());
    if (left.count() <= 0 || LookupCancellation::requested())
      return false;
    for (pollfd &p : waiting)
      p.revents = 0;
    if (::poll(waiting.data(), waiting.size(),
               static_cast<int>(LookupCancellation::slice(left).count())) <= 0)
      continue; // timed out (the loop ends) or interrupted
    for (size_t i = 0; i < sockets.size(); ++i) {
      if ((waiting[i].revents & POLLIN) == 0)
        continue;
      sockaddr_in from{};
      socklen_t fromLength = sizeof from;
      const ssize_t received =
          ::recvfrom(sockets[i], buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC,
                     reinterpret_cast<sockaddr *>(&from), &fromLength);
      if (received < 0 || static_cast<size_t>(received) > maxSize || from.sin_family != AF_INET)
        continue;
      if (take(i, from.sin_addr.s_addr, ntohs(from.sin_port),
               {buffer.data(), static_cast<size_t>(received)}))
        return true;
    }
  }
}

} // namespace platform
