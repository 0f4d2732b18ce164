// The connection probe that runs before libsmbclient is asked, on loopback.
#include "mpr/browse/SmbReachability.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>

namespace {

using namespace std::chrono_literals;

in_addr loopback() {
  in_addr address{};
  address.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// A loopback port that listens (or, once closed, refuses).
class LoopbackPort {
public:
  LoopbackPort() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in bound{};
    bound.sin_family = AF_INET;
    bound.sin_addr = loopback();
    socklen_t length = sizeof bound;
    if (bind(fd_, reinterpret_cast<sockaddr *>(&bound), sizeof bound) == 0 &&
        getsockname(fd_, reinterpret_cast<sockaddr *>(&bound), &length) == 0 && listen(fd_, 4) == 0)
      port_ = ntohs(bound.sin_port);
  }
  ~LoopbackPort() { stop(); }
  void stop() {
    if (fd_ >= 0)
      close(fd_);
    fd_ = -1;
  }
  unsigned short port() const { return port_; }

private:
  int fd_;
  unsigned short port_ = 0;
};

TEST(SmbReachability, OneListeningPortIsEnough) {
  LoopbackPort listening, refusing;
  ASSERT_NE(listening.port(), 0);
  refusing.stop();
  for (const auto &ports : {std::array{listening.port(), refusing.port()},
                            std::array{refusing.port(), listening.port()}}) {
    EXPECT_TRUE(platform::anyPortAnswers(loopback(), ports, 2s));
  }
}

TEST(SmbReachability, RefusedEverywhereIsNoAnswerAtOnce) {
  LoopbackPort first, second;
  ASSERT_NE(first.port(), 0);
  first.stop();
  second.stop();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(platform::anyPortAnswers(loopback(), std::array{first.port(), second.port()}, 5s));
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
}

} // namespace
