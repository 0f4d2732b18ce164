#include "common/Switches.h"

#include <cstdlib>
#include <string_view>

namespace {

thread_local const platform::SwitchSettings *threadSettings = nullptr;

// Only "0" switches a source off; unset or anything else leaves it on.
bool switchedOn(const char *variable) {
  const char *value = std::getenv(variable);
  return value == nullptr || std::string_view(value) != "0";
}

} // namespace

platform::SwitchSettings platform::currentSwitches() {
  if (threadSettings != nullptr)
    return *threadSettings;
  return {switchedOn("VELNOR_NETBIOS"), switchedOn("VELNOR_MDNS"), switchedOn("VELNOR_WSD"),
          switchedOn("VELNOR_WORKAHEAD")};
}

platform::UsingSwitches::UsingSwitches(const SwitchSettings &settings)
    : previous_(threadSettings), settings_(settings) {
  threadSettings = &settings_;
}

platform::UsingSwitches::~UsingSwitches() {
  threadSettings = previous_;
}
