// The LAN of today built by lab/lan-modern: names, addresses and shares the
// tests may rely on. lab/lan-modern holds the same values; change both.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

namespace velnor::modernlab {

inline constexpr std::string_view kClientAddress = "10.79.0.10";

// MIXGRP is in the NetBIOS browse list (OLDSRV is its master browser) and
// announced through WS-Discovery too; DLWG only through WS-Discovery.
inline constexpr std::string_view kMixedGroup = "MIXGRP";
inline constexpr std::string_view kWsdOnlyGroup = "DLWG";

enum class Netbios { Off, NameOnly, MasterBrowser };

struct Server {
  std::string_view name;
  std::string_view address;
  std::string_view macText;
  std::string_view workgroup;
  Netbios netbios;
  bool smb1;
  bool mdns; // Avahi publishes NAME.local
  std::string_view share;
};

inline constexpr Server kAtlas = {"ATLAS",       "10.79.0.11",      "02-76-6C-01-00-0B",
                                  kWsdOnlyGroup, Netbios::NameOnly, false,
                                  false,         "projects"};
inline constexpr Server kBoreas = {
    "BOREAS", "10.79.0.12", "02-76-6C-01-00-0C", kMixedGroup, Netbios::Off, false, true, "media"};
inline constexpr Server kOldsrv = {
    "OLDSRV", "10.79.0.13", "02-76-6C-01-00-0D", kMixedGroup, Netbios::MasterBrowser, true,
    false,    "legacy"};
inline constexpr std::array<Server, 3> kServers = {kAtlas, kBoreas, kOldsrv};

inline bool inClientNamespace() {
  std::ifstream in("/sys/class/net/eth0/address");
  std::string mac;
  return static_cast<bool>(in >> mac) && mac == "02:76:6c:01:00:0a";
}

// From a fixture's SetUp(): skipped outside the modern lab, failed under
// CI=true, where it must always run.
inline void requireModernLab() {
  const char *lab = std::getenv("VELNOR_LAB");
  const char *ci = std::getenv("CI");
  if (lab == nullptr || *lab == '\0') {
    if (ci != nullptr && std::string_view(ci) == "true") {
      FAIL() << "VELNOR_LAB is not set but CI=true: run this test through lab/lan-modern exec";
    }
    GTEST_SKIP() << "needs the modern test LAN: run as root through lab/lan-modern exec";
  }
  if (!inClientNamespace()) {
    FAIL() << "VELNOR_LAB is set but this is not the modern lab's client namespace";
  }
}

} // namespace velnor::modernlab
