#include "common/Switches.h"

#include <cstdlib>
#include <string_view>

namespace {

// Only "0" switches a source off; unset or anything else leaves it on.
bool switchedOn(const char *variable) {
  const char *value = std::getenv(variable);
  return value == nullptr || std::string_view(value) != "0";
}

} // namespace

bool platform::netbiosEnabled() {
  return switchedOn("VELNOR_NETBIOS");
}

bool platform::mdnsEnabled() {
  return switchedOn("VELNOR_MDNS");
}

bool platform::wsDiscoveryEnabled() {
  return switchedOn("VELNOR_WSD");
}

bool platform::workAheadEnabled() {
  return switchedOn("VELNOR_WORKAHEAD");
}
