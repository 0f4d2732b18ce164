// The system browse backend: the NetBIOS browse list and shares through
// libsmbclient, with the computers WS-Discovery finds merged in.
#include "mpr/MprBackends.h"
#include "common/SystemDiscovery.h"
#include "common/Switches.h"
#include "mpr/browse/BrowseMerge.h"
#include "mpr/browse/BrowseSources.h"

platform::BrowseBackend &platform::systemBrowser() {
  static wsd::MergingBrowser browser(recordingSmbBrowser(), discoveredComputers,
                                     wsd::MergingBrowser::Clock::now, netbiosEnabled);
  return browser;
}
