// Browsing and name resolution on a LAN of today: servers without SMB1 that
// only WS-Discovery reports, one of them found by name only through mDNS,
// beside an old server in a NetBIOS browse list. Both sources must appear
// merged, once each, and each switch must take its own source away.
#include "ModernLab.h"

#include <WSockUtils.h>
#include <velnip.h>

#include <support/ScopedEnvironment.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace lab = velnor::modernlab;
using Names = std::vector<std::string>;

namespace {

void appendName(void *context, const char *text) {
  static_cast<Names *>(context)->emplace_back(text);
}

// The names below a container through the library's export and through the
// program's own utility, which must agree; sorted, repeats kept.
Names namesBelow(const std::string &container) {
  Names fromLibrary;
  VELNIP_STRING_LIST list{&fromLibrary, &appendName};
  GetNetResource(container.c_str(), &list);
  QStringList fromProgram;
  WSockUtils::EnumerateNetworkNames(QString::fromStdString(container), fromProgram);
  Names program;
  for (const QString &name : fromProgram)
    program.push_back(name.toStdString());
  std::sort(fromLibrary.begin(), fromLibrary.end());
  std::sort(program.begin(), program.end());
  EXPECT_EQ(fromLibrary, program) << container;
  return program;
}

std::string addressOf(std::string_view name) {
  return GetIPFromHost(std::string(name).c_str());
}

std::string backslashed(std::string_view server) {
  return "\\\\" + std::string(server);
}

using testsupport::ScopedEnvironment;

class ModernLab : public ::testing::Test {
protected:
  void SetUp() override { lab::requireModernLab(); }
};

TEST_F(ModernLab, TopLevelListsTheWorkgroupsOfBothSourcesOnce) {
  EXPECT_EQ(namesBelow(""), (Names{"DLWG", "MIXGRP"}));
}

TEST_F(ModernLab, EveryComputerIsListedUnderItsWorkgroupWithItsShares) {
  EXPECT_EQ(namesBelow("MIXGRP"), (Names{"\\\\BOREAS", "\\\\OLDSRV"}));
  EXPECT_EQ(namesBelow("dlwg"), (Names{"\\\\ATLAS"}));
  for (const lab::Server &server : lab::kServers)
    EXPECT_EQ(namesBelow(backslashed(server.name)),
              (Names{backslashed(server.name) + "\\" + std::string(server.share)}))
        << server.name;
}

TEST_F(ModernLab, EveryComputerResolvesToItsAddress) {
  for (const lab::Server &server : lab::kServers)
    EXPECT_EQ(addressOf(server.name), server.address) << server.name;
  // Only Avahi knows this name; the query is made in upper case.
  ScopedEnvironment noDiscovery("VELNOR_WSD", "0");
  EXPECT_EQ(addressOf("boreas"), lab::kBoreas.address);
}

TEST_F(ModernLab, WithoutWsDiscoveryOnlyTheNetbiosBrowseListIsSeen) {
  ScopedEnvironment off("VELNOR_WSD", "0");
  EXPECT_EQ(namesBelow(""), (Names{"MIXGRP"}));
  EXPECT_EQ(namesBelow("MIXGRP"), (Names{"\\\\OLDSRV"}));
  EXPECT_EQ(namesBelow("DLWG"), Names{});
  // Shares still list: the server level never needed discovery.
  EXPECT_EQ(namesBelow("\\\\ATLAS"), (Names{"\\\\ATLAS\\projects"}));
}

TEST_F(ModernLab, WithoutMdnsTheNameOnlyDiscoveryKnowsStillResolves) {
  ScopedEnvironment off("VELNOR_MDNS", "0");
  namesBelow(""); // discovery has run in this process
  EXPECT_EQ(addressOf(lab::kBoreas.name), lab::kBoreas.address);
  ScopedEnvironment noDiscovery("VELNOR_WSD", "0");
  EXPECT_EQ(addressOf(lab::kBoreas.name), "") << "nothing but mDNS and discovery know BOREAS";
  EXPECT_EQ(addressOf(lab::kOldsrv.name), lab::kOldsrv.address) << "NetBIOS";
}

TEST_F(ModernLab, WithoutNetbiosDiscoveryAndMdnsStillFindEveryComputer) {
  ScopedEnvironment off("VELNOR_NETBIOS", "0");
  // OLDSRV announces itself through wsdd too; its browse list is not asked.
  EXPECT_EQ(namesBelow(""), (Names{"DLWG", "MIXGRP"}));
  EXPECT_EQ(namesBelow("MIXGRP"), (Names{"\\\\BOREAS", "\\\\OLDSRV"}));
  EXPECT_EQ(addressOf(lab::kAtlas.name), lab::kAtlas.address) << "from WS-Discovery";
  EXPECT_EQ(addressOf(lab::kBoreas.name), lab::kBoreas.address) << "from mDNS";
  EXPECT_EQ(namesBelow("\\\\OLDSRV"), (Names{"\\\\OLDSRV\\legacy"}));
  ScopedEnvironment noDiscovery("VELNOR_WSD", "0");
  EXPECT_EQ(addressOf(lab::kAtlas.name), "") << "only NetBIOS and discovery know ATLAS";
  EXPECT_EQ(namesBelow(""), Names{}) << "no source left for the browse list";
  EXPECT_EQ(namesBelow("\\\\ATLAS"), Names{}) << "its name resolves nowhere";
}

} // namespace
