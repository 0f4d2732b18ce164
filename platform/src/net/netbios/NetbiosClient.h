// Sends NetBIOS name service requests over UDP and waits for the answers:
// one request per try to every target, then the answers of that try's
// window, as Windows' NetBT does. Queries go from an ephemeral port to port
// 137, so no privilege is needed.
#pragma once

#include "net/netbios/NetbiosPackets.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::netbios {

struct Retries {
  int tries;
  std::chrono::milliseconds interval; // the wait for answers after each try
};

enum class QueryOutcome { Found, Negative, NoAnswer };

struct QueryResult {
  QueryOutcome outcome = QueryOutcome::NoAnswer;
  std::vector<uint32_t> addresses; // network byte order, in the answer's order
};

// A name query, broadcast to every target (subnet broadcast addresses) or
// sent to one name server. From a name server only its own answers (its
// address, port 137) count, and a negative one ends the query at once. Each
// query has a random transaction id. A positive answer whose addresses no
// LAN host can have (isLanHostAddress) is passed over like a foreign one.
QueryResult queryName(const Name &name, const std::vector<uint32_t> &targets, bool broadcast,
                      Retries retries);

// A node status request to `address`; the answer must come from its port 137.
std::optional<std::vector<NodeName>> queryNodeStatus(uint32_t address, Retries retries);

} // namespace platform::netbios
