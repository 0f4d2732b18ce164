// The machine's IPv4 interfaces that are up, and its NetBIOS settings, as the
// resolver chain needs them.
#pragma once

#include "resolver/Ipv4Interface.h"
#include "resolver/NetbiosLink.h"

#include <vector>

namespace platform {

std::vector<Ipv4Interface> upIpv4Interfaces();

// VELNOR_NETBIOS=0 turns NetBIOS off: the resolver's NetBIOS steps and the
// NetBIOS browse list, as on an adapter with NetBIOS over TCP/IP disabled.
bool netbiosEnabled();

// VELNOR_NETBIOS=0 turns NetBIOS off; the WINS server is the `wins server`
// of the Samba configuration libsmbclient reads.
NetbiosSettings systemNetbiosSettings();

} // namespace platform
