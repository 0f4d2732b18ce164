// The test LAN built by lab/lan: names, addresses and shares the integration
// tests may rely on. Its values come from lab/lan.values, which lab/lan
// sources too.
#pragma once

#include "integration/LabValues.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

namespace velnor::lab {

inline constexpr std::string_view kSubnet = values::kSubnet;
inline constexpr std::string_view kSubnetMask = values::kSubnetMask;
inline constexpr int kSubnetBits = values::kSubnetBits;

// The tests run here (lab/lan exec). No daemons run on the client.
inline constexpr std::string_view kClientName = values::kClientName;
inline constexpr std::string_view kClientAddress = values::kClientAddress;
inline constexpr std::array<unsigned char, 6> kClientMac = values::kClientMac;
inline constexpr std::string_view kClientMacText = values::kClientMacText;
// lab/lan names every host's link eth0.
inline constexpr std::string_view kClientInterface = "eth0";

// On the subnet, but no host answers ARP for it.
inline constexpr std::string_view kNoHostAddress = values::kNoHostAddress;
// The lab's quiet host (no daemons), which a test may give kNoHostAddress for
// a while.
inline constexpr std::string_view kQuietMacText = values::kQuietMacText;
// No namespace has a default route, so this is unreachable everywhere.
inline constexpr std::string_view kOffSubnetAddress = values::kOffSubnetAddress;

// The client's hosts file knows none of the servers' NetBIOS names, only this
// extra name of VLSRV1's; the client's smb.conf names VLSRV1 as WINS server.
inline constexpr std::string_view kHostsOnlyName = values::kHostsOnlyName;
inline constexpr std::string_view kClientWinsServer = values::kClientWinsServer;

inline constexpr std::string_view kWorkgroup1 = values::kWorkgroup1;
inline constexpr std::string_view kWorkgroup2 = values::kWorkgroup2;
inline constexpr std::array<std::string_view, 2> kWorkgroups = {kWorkgroup1, kWorkgroup2};

// Every server also has these three shares, none of which a browse list
// should show to the user: a hidden disk share, a printer and a share with
// `browseable = no` (Samba never lists the last one).
inline constexpr std::string_view kHiddenShare = values::kHiddenShare;
inline constexpr std::string_view kPrinterShare = values::kPrinterShare;
inline constexpr std::string_view kUnlistedShare = values::kUnlistedShare;

// Guest access: Samba maps an unknown user such as "guest", with an empty
// password, to the lab's guest account, which may list and read.
inline constexpr std::string_view kGuestUser = "guest";
inline constexpr std::string_view kGuestPassword = "";

// VLSRV3 has a share with a Japanese name and comment (in UTF-8 here), and a
// Japanese server comment; every host's dos charset is CP932.
inline constexpr std::string_view kJapaneseShare = values::kJapaneseShare;
inline constexpr std::string_view kJapaneseShareComment = values::kJapaneseShareComment;
inline constexpr std::string_view kJapaneseServerComment = values::kJapaneseServerComment;

struct Server {
  std::string_view name; // NetBIOS name; the servers' hosts files also hold it
  std::string_view address;
  std::array<unsigned char, 6> mac;
  std::string_view macText; // upper-case hex joined by '-'
  std::string_view workgroup;
  bool masterBrowser;                       // of its workgroup; also its WINS server
  std::span<const std::string_view> shares; // visible disk shares, in no particular order
};

// A member names its workgroup's master browser as WINS server; a master
// names none.
inline constexpr Server kVlsrv1 = {
    .name = "VLSRV1",
    .address = values::kVlsrv1Address,
    .mac = values::kVlsrv1Mac,
    .macText = values::kVlsrv1MacText,
    .workgroup = values::kVlsrv1Workgroup,
    .masterBrowser = values::kVlsrv1Wins.empty(),
    .shares = values::kVlsrv1Shares,
};
inline constexpr Server kVlsrv2 = {
    .name = "VLSRV2",
    .address = values::kVlsrv2Address,
    .mac = values::kVlsrv2Mac,
    .macText = values::kVlsrv2MacText,
    .workgroup = values::kVlsrv2Workgroup,
    .masterBrowser = values::kVlsrv2Wins.empty(),
    .shares = values::kVlsrv2Shares,
};
inline constexpr Server kVlsrv3 = {
    .name = "VLSRV3",
    .address = values::kVlsrv3Address,
    .mac = values::kVlsrv3Mac,
    .macText = values::kVlsrv3MacText,
    .workgroup = values::kVlsrv3Workgroup,
    .masterBrowser = values::kVlsrv3Wins.empty(),
    .shares = values::kVlsrv3Shares,
};
inline constexpr std::array<Server, 3> kServers = {kVlsrv1, kVlsrv2, kVlsrv3};

// True when this process runs in the lab's client namespace: its eth0 has the
// client's MAC. Guards against VELNOR_LAB set by hand on a real network.
inline bool inClientNamespace() {
  std::ifstream in(std::filesystem::path("/sys/class/net") / kClientInterface / "address");
  std::string mac;
  return static_cast<bool>(in >> mac) && mac == values::kClientMacSysfs;
}

// Call from a test fixture's SetUp(): outside the lab the test is skipped, or
// fails under CI=true, where the lab must always run. Both end the test before
// its body.
inline void requireLab() {
  const char *lab = std::getenv("VELNOR_LAB");
  const char *ci = std::getenv("CI");
  const bool underCi = ci != nullptr && std::string_view(ci) == "true";
  if (lab == nullptr || *lab == '\0') {
    if (underCi) {
      FAIL() << "VELNOR_LAB is not set but CI=true: run this test through lab/lan exec";
    }
    GTEST_SKIP() << "needs the test LAN: run as root through lab/lan exec";
  }
  if (!inClientNamespace()) {
    FAIL() << "VELNOR_LAB is set but this is not the lab's client namespace";
  }
}

} // namespace velnor::lab
