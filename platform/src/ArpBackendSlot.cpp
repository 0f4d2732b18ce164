#include "ArpBackend.h"
#include "BackendSlot.h"

namespace {
platform::BackendSlot<platform::ArpBackend> arpSlot(&platform::systemArp);
} // namespace

void platform::setArpBackend(ArpBackend *backend) {
  arpSlot.install(backend);
}
platform::ArpBackend &platform::currentArp() {
  return arpSlot.current();
}
