// The Linux implementations behind the Win32 calls, one per family.
#pragma once

#include <platform/backends.h>

namespace platform {

// Windows' order: this machine's own name, the name service, multicast DNS,
// NetBIOS, then the address WS-Discovery gave.
ResolverBackend &systemResolver();
// hosts file, DNS and whatever else nsswitch.conf lists.
ResolverBackend &nameServiceSwitch();
NamesBackend &systemNames();

ResolverBackend &currentResolver();
NamesBackend &currentNames();

} // namespace platform
