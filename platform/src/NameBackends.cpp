#include "BackendSlot.h"
#include "SystemBackends.h"

namespace {
platform::BackendSlot<platform::ResolverBackend> resolverSlot(&platform::systemResolver);
platform::BackendSlot<platform::NamesBackend> namesSlot(&platform::systemNames);
} // namespace

void platform::setResolverBackend(ResolverBackend *backend) {
  resolverSlot.install(backend);
}
void platform::setNamesBackend(NamesBackend *backend) {
  namesSlot.install(backend);
}
platform::ResolverBackend &platform::currentResolver() {
  return resolverSlot.current();
}
platform::NamesBackend &platform::currentNames() {
  return namesSlot.current();
}
