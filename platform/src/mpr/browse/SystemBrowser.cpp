// The system browse backend: the NetBIOS browse list and shares through
// libsmbclient, with the computers WS-Discovery finds merged in.
#include "mpr/MprBackends.h"
#include "common/ProcessLocal.h"
#include "common/SystemDiscovery.h"
#include "common/Switches.h"
#include "mpr/browse/BrowseMerge.h"
#include "mpr/browse/BrowseSources.h"

namespace {

// What the current search's top level listed is this process's own.
platform::ProcessLocal<platform::wsd::MergingBrowser> processBrowser([] {
  return new platform::wsd::MergingBrowser(
      platform::recordingSmbBrowser(), platform::discoveredComputers,
      platform::wsd::MergingBrowser::Clock::now, platform::netbiosEnabled);
});

} // namespace

platform::BrowseBackend &platform::systemBrowser() {
  return processBrowser.get();
}
