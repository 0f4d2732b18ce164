// The system browse backend: the NetBIOS browse list and shares through
// libsmbclient, with the computers WS-Discovery finds merged in.
#include "BrowseBackends.h"
#include "SystemDiscovery.h"
#include "SystemInterfaces.h"
#include "discovery/BrowseMerge.h"

platform::BrowseBackend &platform::systemBrowser() {
  static wsd::MergingBrowser browser(smbBrowser(), discoveredComputers,
                                     wsd::MergingBrowser::Clock::now, netbiosEnabled);
  return browser;
}
