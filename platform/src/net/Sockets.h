// The socket descriptor owner and the one datagram receive loop that the
// NetBIOS, multicast DNS and WS-Discovery clients share.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <utility>

namespace platform {

// A socket descriptor, closed when it leaves scope.
class OwnedSocket {
public:
  OwnedSocket() = default;
  explicit OwnedSocket(int fd) : fd_(fd) {}
  ~OwnedSocket();
  OwnedSocket(OwnedSocket &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  OwnedSocket &operator=(OwnedSocket &&other) noexcept;
  OwnedSocket(const OwnedSocket &) = delete;
  OwnedSocket &operator=(const OwnedSocket &) = delete;

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }

private:
  int fd_ = -1;
};

using DatagramClock = std::chrono::steady_clock;

// index: the position in `sockets` of the one it came on; from and fromPort:
// its sender (address in network byte order). Returns true to stop.
using DatagramTaker = std::function<bool(size_t index, uint32_t from, uint16_t fromPort,
                                         std::span<const unsigned char> datagram)>;

// Hands each IPv4 datagram of at most maxSize bytes that arrives on one of
// `sockets` before the deadline to `take`; longer ones are dropped unread.
// A cancelled lookup stops it at once. False when it ended without `take`
// asking to stop.
bool receiveDatagrams(std::span<const int> sockets, DatagramClock::time_point deadline,
                      size_t maxSize, const DatagramTaker &take);

} // namespace platform
