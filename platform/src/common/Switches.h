// The VELNOR_* switches that turn a network source off, as an adapter's
// settings would on Windows.
//
// A caller's thread reads them at every call, so a test can flip them
// between calls. A platform thread never reads the environment (a caller
// may be changing it): it works with the settings of the call that started
// its work (common/PlatformThread.h, common/WorkAhead.h).
#pragma once

namespace platform {

struct SwitchSettings {
  // VELNOR_NETBIOS=0: the resolver's NetBIOS steps, the NetBIOS browse list
  // and libsmbclient's own NetBIOS lookups, as with NetBIOS over TCP/IP
  // disabled.
  bool netbios = true;
  // VELNOR_MDNS=0: the resolver's multicast DNS step.
  bool mdns = true;
  // VELNOR_WSD=0: WS-Discovery, for the resolver and the browse list.
  bool wsDiscovery = true;
  // VELNOR_WORKAHEAD=0: nothing is looked up before a program asks for it,
  // every call waits for its own answer (common/WorkAhead.h), and no
  // WS-Discovery result is kept between searches.
  bool workAhead = true;
};

// The settings this thread's work was started with, else the environment's
// now.
SwitchSettings currentSwitches();

// While it lives, this thread works with `settings`.
class UsingSwitches {
public:
  explicit UsingSwitches(const SwitchSettings &settings);
  ~UsingSwitches();
  UsingSwitches(const UsingSwitches &) = delete;
  UsingSwitches &operator=(const UsingSwitches &) = delete;

private:
  const SwitchSettings *previous_;
  SwitchSettings settings_;
};

inline bool netbiosEnabled() {
  return currentSwitches().netbios;
}
inline bool mdnsEnabled() {
  return currentSwitches().mdns;
}
inline bool wsDiscoveryEnabled() {
  return currentSwitches().wsDiscovery;
}
inline bool workAheadEnabled() {
  return currentSwitches().workAhead;
}

} // namespace platform
