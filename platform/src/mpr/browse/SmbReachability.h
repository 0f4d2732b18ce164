// Whether a server's SMB ports accept a connection, asked before libsmbclient
// is: its calls hold one lock, so a server that never answers must not be
// waited for inside them.
#pragma once

#include <netinet/in.h>

#include <chrono>
#include <span>

namespace platform {

// How long a connection to a server may take. Windows gives up on a host
// that does not answer after a few seconds: on the subnet ARP fails after
// about 3 s, beyond a router the SYN retransmissions of a connect end a few
// seconds later. libsmbclient would wait 20 s for each of ports 139 and 445,
// one after the other.
inline constexpr std::chrono::milliseconds kSmbConnectLimit{5000};

// True when port 445 or 139 of the address accepts a TCP connection within
// the limit (both are tried at once, as Windows does); false when neither
// does, or both refuse.
bool smbPortAnswers(in_addr address, std::chrono::milliseconds limit = kSmbConnectLimit);

// The same for any ports (in host order).
bool anyPortAnswers(in_addr address, std::span<const unsigned short> ports,
                    std::chrono::milliseconds limit);

} // namespace platform
