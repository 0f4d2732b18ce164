// Browsing and name resolution on a LAN of today: servers without SMB1 that
// only WS-Discovery reports, one of them found by name only through mDNS,
// beside an old server in a NetBIOS browse list. Both sources must appear
// merged, once each, and each switch must take its own source away.
#include "ModernLab.h"

#include <WSockUtils.h>
#include <velnip.h>

#include <support/ScopedEnvironment.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

// wsdd as a computer that joins the LAN in the peer namespace: its Hello when
// it starts, its Bye when it is told to stop.
class JoiningComputer {
public:
  explicit JoiningComputer(const char *name) {
    const char *prefix = std::getenv("VELNOR_LAB_PREFIX");
    const std::string ns = std::string(prefix != nullptr ? prefix : "vlabm") + "-peer";
    pid_ = ::fork();
    if (pid_ == 0) {
      ::execlp("ip", "ip", "netns", "exec", ns.c_str(), "wsdd", "-4", "-i", "eth0", "-n", name,
               "-w", std::string(lab::kWsdOnlyGroup).c_str(), "-s", static_cast<char *>(nullptr));
      ::_exit(127);
    }
  }
  ~JoiningComputer() { leave(); }
  void leave() {
    if (pid_ <= 0)
      return;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

private:
  pid_t pid_ = -1;
};

// The names below the container in a walk of its own (the top level, then
// the container, through the program's utility only: the list may change
// between two walks, never within one) as soon as `done` says they are
// right, trying for at most five seconds; the last ones seen otherwise.
Names namesOnceSettled(const std::string &container, bool (*done)(const Names &)) {
  Names names;
  for (int attempt = 0; attempt < 25; ++attempt) {
    QStringList top, listed;
    WSockUtils::EnumerateNetworkNames(QString(), top);
    WSockUtils::EnumerateNetworkNames(QString::fromStdString(container), listed);
    names.clear();
    for (const QString &name : listed)
      names.push_back(name.toStdString());
    std::sort(names.begin(), names.end());
    if (done(names))
      break;
    ::usleep(200 * 1000);
  }
  return names;
}

TEST_F(ModernLab, AnnouncementsKeepTheListCurrentBetweenWalks) {
  // The first walk of this process has probed; from then on it listens,
  // and within the kept result's time the next walks take what Hello and
  // Bye made of it.
  ASSERT_FALSE(namesOnceSettled(
                   std::string(lab::kWsdOnlyGroup), +[](const Names &) { return true; })
                   .empty());
  const auto holdsLatecomer = [](const Names &names) {
    return std::count(names.begin(), names.end(), "\\\\LATECOMER") == 1;
  };
  JoiningComputer latecomer("LATECOMER");
  EXPECT_EQ(namesOnceSettled(std::string(lab::kWsdOnlyGroup), +holdsLatecomer),
            (Names{"\\\\ATLAS", "\\\\LATECOMER"}));
  latecomer.leave();
  EXPECT_EQ(
      namesOnceSettled(
          std::string(lab::kWsdOnlyGroup), +[](const Names &names) { return names.size() == 1; }),
      (Names{"\\\\ATLAS"}));
}
