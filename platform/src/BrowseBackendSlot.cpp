#include "BackendSlot.h"
#include "BrowseBackends.h"

namespace {
platform::BackendSlot<platform::BrowseBackend> browseSlot(&platform::systemBrowser);
}

void platform::setBrowseBackend(BrowseBackend *backend) {
  browseSlot.install(backend);
}
platform::BrowseBackend &platform::currentBrowser() {
  return browseSlot.current();
}
