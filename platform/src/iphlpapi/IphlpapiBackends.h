// The backend behind SendARP, and the machine's interfaces as the rest of
// the platform asks for them.
#pragma once

#include "net/Ipv4Interface.h"

#include <platform/backends.h>

#include <vector>

namespace platform {

// rtnetlink: the kernel's neighbour table and its resolution.
ArpBackend &systemArp();
ArpBackend &currentArp();

// The machine's IPv4 interfaces that are up.
std::vector<Ipv4Interface> upIpv4Interfaces();

} // namespace platform
