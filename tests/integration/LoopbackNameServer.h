// A NetBIOS name server scripted on the lab client's loopback, which is the
// namespace's own, so nothing else answers there: it reads each query and
// answers it from port 137 or, as a forger would, from port 138 of the same
// address. Kept apart from the tests because the system's socket headers
// and the platform's winsock.h cannot meet in one file.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace testsupport {

class LoopbackNameServer {
public:
  struct Query {
    uint16_t id = 0;
    uint16_t clientPort = 0;
  };

  LoopbackNameServer();
  ~LoopbackNameServer();
  LoopbackNameServer(const LoopbackNameServer &) = delete;
  LoopbackNameServer &operator=(const LoopbackNameServer &) = delete;

  bool ok() const { return server_ >= 0 && forger_ >= 0; }

  // The next query that arrives within 2 s.
  std::optional<Query> nextQuery();
  void answer(const Query &query, uint16_t fromPort, const std::vector<unsigned char> &packet);

private:
  int server_;
  int forger_;
};

} // namespace testsupport
