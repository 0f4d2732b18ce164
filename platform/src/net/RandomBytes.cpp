#include "net/RandomBytes.h"

#include <sys/random.h>

#include <cerrno>
#include <random>

namespace platform {

void fillRandom(std::span<unsigned char> bytes) {
  size_t filled = 0;
  while (filled < bytes.size()) {
    // Without flags getrandom only waits before the kernel's pool is first
    // seeded, early at boot; after that it always gives what was asked.
    const ssize_t got = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
    if (got > 0) {
      filled += static_cast<size_t>(got);
    } else if (got < 0 && errno != EINTR) {
      // Only a kernel without getrandom (before 3.17) gets here; the
      // library's device reads the same pool through /dev/urandom.
      std::random_device device;
      for (; filled < bytes.size(); ++filled)
        bytes[filled] = static_cast<unsigned char>(device());
    }
  }
}

uint16_t randomQueryId() {
  for (;;) {
    unsigned char bytes[2];
    fillRandom(bytes);
    const uint16_t id = static_cast<uint16_t>(bytes[0] << 8 | bytes[1]);
    if (id != 0)
      return id;
  }
}

} // namespace platform
