// A computer that announced itself through WS-Discovery.
#pragma once

#include <cstdint>
#include <string>

namespace platform::wsd {

struct DiscoveredComputer {
  std::string name;          // as its pub:Computer gives it
  std::string workgroup;     // its workgroup, or its DNS domain
  uint32_t address = 0;      // of its metadata address (XAddrs), network byte order
  std::string endpoint = {}; // its urn:uuid:, which its Bye names
};

} // namespace platform::wsd
