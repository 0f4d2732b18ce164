// The backend behind gethostbyname and gethostbyaddr, and the settings of
// the chain's network links as this machine gives them.
#pragma once

#include "ws2_32/resolver/MdnsLink.h"
#include "ws2_32/resolver/NetbiosLink.h"

#include <platform/backends.h>

namespace platform {

// Windows' order: this machine's own name, the name service, multicast DNS
// and NetBIOS side by side, then the address WS-Discovery gave.
ResolverBackend &systemResolver();
// hosts file, DNS and whatever else nsswitch.conf lists.
ResolverBackend &nameServiceSwitch();
ResolverBackend &currentResolver();

// The up interfaces, unless VELNOR_MDNS=0 turns multicast DNS off.
MdnsSettings systemMdnsSettings();
// Unless VELNOR_NETBIOS=0 turns NetBIOS off: the broadcast addresses of the
// up interfaces, and the `wins server` of the Samba configuration that
// libsmbclient reads.
NetbiosSettings systemNetbiosSettings();

} // namespace platform
