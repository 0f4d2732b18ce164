// Received mDNS answers: the reader must never read outside the packet or
// follow a compression pointer in a loop, and whatever it accepts must hold
// addresses that fit in the packet.
#include "FuzzCheck.h"

#include "net/mdns/MdnsPackets.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace mdns = platform::mdns;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::vector<unsigned char> packet(data, data + size);
  // The id the packet claims, so that the fuzzer gets past the header.
  const uint16_t id = size >= 2 ? static_cast<uint16_t>(data[0] << 8 | data[1]) : 0;
  for (const char *label : {"boreas", "a"})
    if (const auto addresses = mdns::readAddressAnswer(std::span(packet), id, label)) {
      FUZZ_CHECK(!addresses->empty());
      // Each A record takes at least a 2-byte name, 10 bytes of fields and 4 of data.
      FUZZ_CHECK(12 + addresses->size() * 16 <= size);
    }
  return 0;
}
