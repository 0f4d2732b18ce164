#include "net/netbios/NetbiosClient.h"

#include "net/AnswerAddress.h"
#include "net/LookupCancellation.h"
#include "net/RandomBytes.h"
#include "net/Sockets.h"

#include <netinet/in.h>
#include <sys/socket.h>

#include <functional>

namespace platform::netbios {

namespace {

constexpr uint16_t kNameServicePort = 137;
// Larger than any answer the name service sends over UDP; a datagram that
// does not fit is not ours to read.
constexpr size_t kReceiveBufferSize = 4096;

using Clock = DatagramClock;

class UdpSocket {
public:
  explicit UdpSocket(bool broadcast) : socket_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {
    if (socket_.ok() && broadcast) {
      const int on = 1;
      ::setsockopt(socket_.fd(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    }
  }

  bool ok() const { return socket_.ok(); }

  void send(uint32_t address, const std::vector<unsigned char> &packet) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kNameServicePort);
    to.sin_addr.s_addr = address;
    ::sendto(socket_.fd(), packet.data(), packet.size(), MSG_NOSIGNAL,
             reinterpret_cast<sockaddr *>(&to), sizeof to);
  }

  // Hands every datagram that arrives before `deadline` to `take`, with its
  // sender's address and port, until it returns true. False when the
  // deadline passed first.
  bool receiveUntil(
      Clock::time_point deadline,
      const std::function<bool(uint32_t, uint16_t, std::span<const unsigned char>)> &take) {
    const int fd = socket_.fd();
    return receiveDatagrams(
        {&fd, 1}, deadline, kReceiveBufferSize,
        [&](size_t, uint32_t from, uint16_t fromPort, std::span<const unsigned char> datagram) {
          return take(from, fromPort, datagram);
        });
  }

private:
  OwnedSocket socket_;
};

// Whether a datagram can be the answer of the server a unicast request went
// to: its own address and the name service port. Anyone else on the LAN
// could otherwise answer in its place.
bool fromServer(uint32_t server, uint32_t from, uint16_t port) {
  return from == server && port == kNameServicePort;
}

} // namespace

QueryResult queryName(const Name &name, const std::vector<uint32_t> &targets, bool broadcast,
                      Retries retries) {
  QueryResult result;
  if (targets.empty())
    return result;
  UdpSocket socket(broadcast);
  if (!socket.ok())
    return result;
  const uint16_t id = randomQueryId();
  const std::vector<unsigned char> request = nameQuery(id, name, broadcast);
  for (int attempt = 0; attempt < retries.tries && !LookupCancellation::requested(); ++attempt) {
    for (uint32_t target : targets)
      socket.send(target, request);
    const bool answered = socket.receiveUntil(
        Clock::now() + retries.interval,
        [&](uint32_t from, uint16_t port, std::span<const unsigned char> packet) {
          // A broadcast is answered by whichever host holds the name, as
          // Windows takes it.
          if (!broadcast && !fromServer(targets.front(), from, port))
            return false;
          const std::optional<NameQueryAnswer> answer = readNameQueryAnswer(packet, id, name);
          if (!answer)
            return false;
          if (answer->positive) {
            std::vector<uint32_t> addresses = lanHostAddresses(answer->addresses);
            if (addresses.empty())
              return false; // nobody's address: as if it had not come
            result = {QueryOutcome::Found, std::move(addresses)};
            return true;
          }
          // Only a name server speaks for every host; a negative broadcast
          // answer would be somebody's opinion, so it is not taken as one.
          if (broadcast)
            return false;
          result = {QueryOutcome::Negative, {}};
          return true;
        });
    if (answered)
      return result;
  }
  return result;
}

std::optional<std::vector<NodeName>> queryNodeStatus(uint32_t address, Retries retries) {
  UdpSocket socket(false);
  if (!socket.ok())
    return std::nullopt;
  const uint16_t id = randomQueryId();
  const std::vector<unsigned char> request = nodeStatusRequest(id);
  std::optional<std::vector<NodeName>> names;
  for (int attempt = 0; attempt < retries.tries; ++attempt) {
    socket.send(address, request);
    const bool answered = socket.receiveUntil(
        Clock::now() + retries.interval,
        [&](uint32_t from, uint16_t port, std::span<const unsigned char> packet) {
          if (!fromServer(address, from, port))
            return false;
          names = readNodeStatusAnswer(packet, id);
          return names.has_value();
        });
    if (answered)
      return names;
  }
  return std::nullopt;
}

} // namespace platform::netbios
