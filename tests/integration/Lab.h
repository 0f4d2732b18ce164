// The test LAN built by lab/lan: names, addresses and shares the integration
// tests may rely on. lab/lan holds the same values; change both together.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>

namespace velnor::lab {

inline constexpr std::string_view kSubnet = "10.77.0.0";
inline constexpr std::string_view kSubnetMask = "255.255.255.0";
inline constexpr int kSubnetBits = 24;

// The tests run here (lab/lan exec). No daemons run on the client.
inline constexpr std::string_view kClientName = "VLCLIENT";
inline constexpr std::string_view kClientAddress = "10.77.0.10";
inline constexpr std::array<unsigned char, 6> kClientMac = {0x02, 0x76, 0x6C, 0x00, 0x00, 0x0A};
inline constexpr std::string_view kClientMacText = "02-76-6C-00-00-0A";
inline constexpr std::string_view kClientInterface = "eth0";

// On the subnet, but no host answers ARP for it.
inline constexpr std::string_view kNoHostAddress = "10.77.0.99";
// The lab's quiet host (10.77.0.21, no daemons), which a test may give
// kNoHostAddress for a while.
inline constexpr std::string_view kQuietMacText = "02-76-6C-00-00-15";
// No namespace has a default route, so this is unreachable everywhere.
inline constexpr std::string_view kOffSubnetAddress = "10.78.0.1";

// The client's hosts file knows none of the servers' NetBIOS names, only this
// extra name of VLSRV1's; the client's smb.conf names VLSRV1 as WINS server.
inline constexpr std::string_view kHostsOnlyName = "files-vlsrv1";
inline constexpr std::string_view kClientWinsServer = "10.77.0.11";

inline constexpr std::string_view kWorkgroup1 = "VLABGRP1";
inline constexpr std::string_view kWorkgroup2 = "VLABGRP2";
inline constexpr std::array<std::string_view, 2> kWorkgroups = {kWorkgroup1, kWorkgroup2};

// Every server also has these three shares, none of which a browse list
// should show to the user: a hidden disk share, a printer and a share with
// `browseable = no` (Samba never lists the last one).
inline constexpr std::string_view kHiddenShare = "backup$";
inline constexpr std::string_view kPrinterShare = "laser";
inline constexpr std::string_view kUnlistedShare = "secret";

// Guest access: user "guest" with an empty password may list and read.
inline constexpr std::string_view kGuestUser = "guest";
inline constexpr std::string_view kGuestPassword = "";

// VLSRV3 has a share with a Japanese name and comment (in UTF-8 here), and a
// Japanese server comment; every host's dos charset is CP932.
inline constexpr std::string_view kJapaneseShare = "共有資料";
inline constexpr std::string_view kJapaneseShareComment = "部署の共有資料";
inline constexpr std::string_view kJapaneseServerComment = "検証用サーバー";

inline constexpr std::string_view kVlsrv1Shares[] = {"docs", "public"};
inline constexpr std::string_view kVlsrv2Shares[] = {"music", "photos", "tools"};
inline constexpr std::string_view kVlsrv3Shares[] = {"archive", kJapaneseShare};

struct Server {
  std::string_view name; // NetBIOS name; the servers' hosts files also hold it
  std::string_view address;
  std::array<unsigned char, 6> mac;
  std::string_view macText; // upper-case hex joined by '-'
  std::string_view workgroup;
  bool masterBrowser;                       // of its workgroup; also its WINS server
  std::span<const std::string_view> shares; // visible disk shares, in no particular order
};

inline constexpr Server kVlsrv1 = {
    .name = "VLSRV1",
    .address = "10.77.0.11",
    .mac = {0x02, 0x76, 0x6C, 0x00, 0x00, 0x0B},
    .macText = "02-76-6C-00-00-0B",
    .workgroup = kWorkgroup1,
    .masterBrowser = true,
    .shares = kVlsrv1Shares,
};
inline constexpr Server kVlsrv2 = {
    .name = "VLSRV2",
    .address = "10.77.0.12",
    .mac = {0x02, 0x76, 0x6C, 0x00, 0x00, 0x0C},
    .macText = "02-76-6C-00-00-0C",
    .workgroup = kWorkgroup1,
    .masterBrowser = false,
    .shares = kVlsrv2Shares,
};
inline constexpr Server kVlsrv3 = {
    .name = "VLSRV3",
    .address = "10.77.0.13",
    .mac = {0x02, 0x76, 0x6C, 0x00, 0x00, 0x0D},
    .macText = "02-76-6C-00-00-0D",
    .workgroup = kWorkgroup2,
    .masterBrowser = true,
    .shares = kVlsrv3Shares,
};
inline constexpr std::array<Server, 3> kServers = {kVlsrv1, kVlsrv2, kVlsrv3};

// True when this process runs in the lab's client namespace: its eth0 has the
// client's MAC. Guards against VELNOR_LAB set by hand on a real network.
inline bool inClientNamespace() {
  std::ifstream in(std::filesystem::path("/sys/class/net") / kClientInterface / "address");
  std::string mac;
  return static_cast<bool>(in >> mac) && mac == "02:76:6c:00:00:0a";
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
