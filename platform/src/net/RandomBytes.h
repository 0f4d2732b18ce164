// Unpredictable values for the ids of the queries this client sends. A peer
// on the LAN that sees one query must not be able to tell the id of the
// next one, or it could answer that query before the real server does.
#pragma once

#include <cstdint>
#include <span>

namespace platform {

// Fills `bytes` from the kernel's random source (getrandom(2)).
void fillRandom(std::span<unsigned char> bytes);

// A fresh 16-bit transaction id, never 0: mDNS responders answer multicast
// queries with id 0, so 0 is kept apart for every protocol alike.
uint16_t randomQueryId();

} // namespace platform
