// The one slot of each backend family: the system backend unless a test
// installed a scripted one.
#include "common/BackendSlot.h"
#include "iphlpapi/IphlpapiBackends.h"
#include "kernel32/Kernel32Backends.h"
#include "mpr/MprBackends.h"
#include "ws2_32/Ws2_32Backends.h"

namespace {
platform::BackendSlot<platform::ResolverBackend> resolverSlot(&platform::systemResolver);
platform::BackendSlot<platform::NamesBackend> namesSlot(&platform::systemNames);
platform::BackendSlot<platform::ArpBackend> arpSlot(&platform::systemArp);
platform::BackendSlot<platform::BrowseBackend> browseSlot(&platform::systemBrowser);
} // namespace

void platform::setResolverBackend(ResolverBackend *backend) {
  resolverSlot.install(backend);
}
void platform::setNamesBackend(NamesBackend *backend) {
  namesSlot.install(backend);
}
void platform::setArpBackend(ArpBackend *backend) {
  arpSlot.install(backend);
}
void platform::setBrowseBackend(BrowseBackend *backend) {
  browseSlot.install(backend);
}
platform::ResolverBackend &platform::currentResolver() {
  return resolverSlot.current();
}
platform::NamesBackend &platform::currentNames() {
  return namesSlot.current();
}
platform::ArpBackend &platform::currentArp() {
  return arpSlot.current();
}
platform::BrowseBackend &platform::currentBrowser() {
  return browseSlot.current();
}
