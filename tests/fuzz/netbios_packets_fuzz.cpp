// Received NetBIOS name service datagrams: the parsers must never read
// outside the packet, and whatever they accept must be a well-formed answer.
#include "FuzzCheck.h"

#include "net/netbios/NetbiosPackets.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace nb = platform::netbios;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // A copy of exactly the packet's size, so that ASan sees any read past it.
  const std::vector<unsigned char> packet(data, data + size);
  const std::span<const unsigned char> bytes(packet);
  // Ask about the transaction and name the packet claims, so that the
  // fuzzer reaches the answer records and not only the early rejections.
  const uint16_t transaction = size >= 2 ? static_cast<uint16_t>(data[0] << 8 | data[1]) : 0;
  static const nb::Name name = *nb::hostName("VLSRV1");
  if (const auto answer = nb::readNameQueryAnswer(bytes, transaction, name)) {
    if (answer->positive)
      FUZZ_CHECK(!answer->addresses.empty());
    FUZZ_CHECK(answer->addresses.size() * 6 <= size);
  }
  if (const auto names = nb::readNodeStatusAnswer(bytes, transaction)) {
    FUZZ_CHECK(names->size() * 18 <= size);
    if (const auto machine = nb::workstationName(*names))
      FUZZ_CHECK(!machine->empty() && machine->size() <= 15);
  }
  return 0;
}
