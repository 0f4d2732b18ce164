// The LAN of today built by lab/lan-modern: names, addresses and shares the
// tests may rely on. Its values come from lab/lan-modern.values, which
// lab/lan-modern sources too.
#pragma once

#include "integration/modern_lab/ModernLabValues.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

namespace velnor::modernlab {

inline constexpr std::string_view kClientAddress = values::kClientAddress;

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

// A server as the tests see it, from its values in lab/lan-modern.values.
constexpr Server server(std::string_view name, const values::ServerValues &v) {
  const Netbios netbios = v.netbios == "master" ? Netbios::MasterBrowser
                          : v.netbios == "name" ? Netbios::NameOnly
                                                : Netbios::Off;
  return {.name = name,
          .address = v.address,
          .macText = v.macText,
          .workgroup = v.workgroup,
          .netbios = netbios,
          .smb1 = v.smb1 == "yes",
          .mdns = name == values::kMdnsServer,
          .share = v.shares};
}

inline constexpr Server kAtlas = server("ATLAS", values::kAtlas);
inline constexpr Server kBoreas = server("BOREAS", values::kBoreas);
inline constexpr Server kOldsrv = server("OLDSRV", values::kOldsrv);
inline constexpr std::array<Server, 3> kServers = {kAtlas, kBoreas, kOldsrv};

// MIXGRP is in the NetBIOS browse list (OLDSRV is its master browser) and
// announced through WS-Discovery too; DLWG only through WS-Discovery.
inline constexpr std::string_view kMixedGroup = kOldsrv.workgroup;
inline constexpr std::string_view kWsdOnlyGroup = kAtlas.workgroup;

inline bool inClientNamespace() {
  std::ifstream in("/sys/class/net/eth0/address");
  std::string mac;
  return static_cast<bool>(in >> mac) && mac == values::kClientMacSysfs;
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
