// An IPv4 address of an interface that is up, as the resolver needs it.
#pragma once

#include <cstdint>

namespace platform {

struct Ipv4Interface {
  int index = 0;          // interface index
  uint32_t address = 0;   // network byte order
  uint32_t broadcast = 0; // network byte order; 0 when the interface has none
  uint32_t netmask = 0;   // network byte order
  bool loopback = false;
  bool defaultRoute = false; // the default route leaves through this interface
};

} // namespace platform
