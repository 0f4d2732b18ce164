// Merging the NetBIOS browse list with the computers WS-Discovery found, and
// keeping the discovery result for a walk.
#include "mpr/browse/BrowseMerge.h"
#include "net/wsd/DiscoveryCache.h"

#include <support/ScriptedBrowser.h>

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

namespace wsd = platform::wsd;
using Kind = platform::BrowseEntry::Kind;
using Clock = std::chrono::steady_clock;

namespace {

std::vector<std::string> names(const std::vector<platform::BrowseEntry> &entries) {
  std::vector<std::string> out;
  for (const auto &entry : entries)
    out.push_back(entry.name);
  return out;
}

const std::vector<wsd::DiscoveredComputer> kDiscovered = {
    {"ATLAS", "DLWG", 0x0b00000a},
    {"boreas", "mixgrp", 0x0c00000a},
    {"OLDSRV", "MIXGRP", 0x0d00000a},
    {"cygnus", "example.lan", 0x0e00000a},
};

// A browse backend that is not the installed one: the merge takes it as
// its NetBIOS source.
class NetbiosScript final : public platform::BrowseBackend {
public:
  std::map<std::string, std::vector<platform::BrowseEntry>> answers;
  std::vector<std::string> asked;
  std::function<void()> duringList;
  DWORD list(const std::string &container, std::vector<platform::BrowseEntry> &entries) override {
    asked.push_back(container);
    if (duringList)
      duringList();
    const auto found = answers.find(container);
    if (found == answers.end())
      return container.empty() ? ERROR_NO_NETWORK : ERROR_BAD_NETPATH;
    entries.insert(entries.end(), found->second.begin(), found->second.end());
    return NO_ERROR;
  }
};

} // namespace

TEST(BrowseMerge, WorkgroupsOfBothOnceWithTheNetbiosSpelling) {
  const std::vector<platform::BrowseEntry> netbios = {{Kind::Workgroup, "MixGrp", "OLDSRV"},
                                                      {Kind::Workgroup, "OTHER", ""}};
  const auto merged = wsd::mergeWorkgroups(netbios, kDiscovered);
  EXPECT_EQ(names(merged), (std::vector<std::string>{"MixGrp", "OTHER", "DLWG", "example.lan"}));
  EXPECT_EQ(merged[0].comment, "OLDSRV");
  EXPECT_EQ(names(wsd::mergeWorkgroups({}, {})), std::vector<std::string>{});
}

TEST(BrowseMerge, ComputersOfOneGroupFromBoth) {
  const std::vector<platform::BrowseEntry> netbios = {{Kind::Computer, "oldsrv", "old"}};
  EXPECT_EQ(names(wsd::mergeComputers("MIXGRP", netbios, kDiscovered)),
            (std::vector<std::string>{"oldsrv", "boreas"}));
  EXPECT_EQ(names(wsd::mergeComputers("dlwg", {}, kDiscovered)), std::vector<std::string>{"ATLAS"});
  EXPECT_EQ(names(wsd::mergeComputers("NOSUCH", {}, kDiscovered)), std::vector<std::string>{});
}

TEST(MergingBrowser, EachLevelAsksBothSourcesAndSharesOnlyTheServer) {
  NetbiosScript netbios;
  netbios.answers[""] = {{Kind::Workgroup, "MIXGRP", ""}};
  netbios.answers["MIXGRP"] = {{Kind::Computer, "OLDSRV", ""}};
  netbios.answers["\\\\BOREAS"] = {{Kind::FileShare, "media", ""}};
  int runs = 0;
  wsd::MergingBrowser browser(netbios, [&] {
    ++runs;
    return kDiscovered;
  });
  std::vector<platform::BrowseEntry> top, group, shares;
  EXPECT_EQ(browser.list("", top), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(names(top), (std::vector<std::string>{"MIXGRP", "DLWG", "example.lan"}));
  EXPECT_EQ(browser.list("MIXGRP", group), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(names(group), (std::vector<std::string>{"OLDSRV", "boreas"}));
  EXPECT_EQ(browser.list("\\\\BOREAS", shares), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(names(shares), std::vector<std::string>{"media"});
  EXPECT_EQ(runs, 1) << "one result for the walk; the server level needs none";
}

TEST(MergingBrowser, AWalkListsEveryLevelFromTheResultItsTopLevelGot) {
  NetbiosScript netbios;
  Clock::time_point now = Clock::now();
  std::vector<wsd::DiscoveredComputer> latest = kDiscovered;
  int runs = 0;
  wsd::MergingBrowser browser(
      netbios,
      [&] {
        ++runs;
        return latest;
      },
      [&] { return now; });
  std::vector<platform::BrowseEntry> top, group;
  browser.list("", top);
  // A newer result lost ATLAS: the walk that listed DLWG still lists it.
  latest = {};
  EXPECT_EQ(browser.list("DLWG", group), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(names(group), std::vector<std::string>{"ATLAS"});
  // A workgroup listed on its own, long after, gets a result of its own.
  now += wsd::DiscoveryCache::kKeepFor;
  group.clear();
  EXPECT_EQ(browser.list("DLWG", group), static_cast<DWORD>(ERROR_BAD_NETPATH));
  EXPECT_EQ(runs, 2);
}

TEST(MergingBrowser, AGroupTheBrowseListDidNotHoldIsNotAskedOfIt) {
  NetbiosScript netbios;
  netbios.answers[""] = {{Kind::Workgroup, "MIXGRP", ""}};
  Clock::time_point now = Clock::now();
  wsd::MergingBrowser browser(
      netbios, [] { return kDiscovered; }, [&] { return now; });
  std::vector<platform::BrowseEntry> entries;
  browser.list("", entries);
  entries.clear();
  EXPECT_EQ(browser.list("DLWG", entries), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(names(entries), std::vector<std::string>{"ATLAS"});
  EXPECT_EQ(netbios.asked, std::vector<std::string>{""});
  // Once the top-level listing is old, the browse service is asked again.
  now += wsd::DiscoveryCache::kKeepFor;
  entries.clear();
  browser.list("DLWG", entries);
  EXPECT_EQ(netbios.asked, (std::vector<std::string>{"", "DLWG"}));
}

TEST(MergingBrowser, FailuresWhenNeitherSourceKnowsTheLevel) {
  NetbiosScript netbios;
  std::vector<wsd::DiscoveredComputer> discovered;
  wsd::MergingBrowser browser(netbios, [&] { return discovered; });
  std::vector<platform::BrowseEntry> entries;
  EXPECT_EQ(browser.list("", entries), static_cast<DWORD>(ERROR_NO_NETWORK));
  EXPECT_EQ(browser.list("NOSUCH", entries), static_cast<DWORD>(ERROR_BAD_NETPATH));
  // A LAN without any browse service: discovery alone fills both levels.
  discovered = kDiscovered;
  EXPECT_EQ(browser.list("", entries), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(names(entries), (std::vector<std::string>{"DLWG", "mixgrp", "example.lan"}));
  entries.clear();
  EXPECT_EQ(browser.list("example.lan", entries), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(names(entries), std::vector<std::string>{"cygnus"});
}

TEST(MergingBrowser, WithNetbiosOffOnlyDiscoveryAndTheServersAreAsked) {
  NetbiosScript netbios;
  netbios.answers[""] = {{Kind::Workgroup, "OTHER", ""}};
  netbios.answers["OTHER"] = {{Kind::Computer, "PC9", ""}};
  wsd::MergingBrowser browser(
      netbios, [] { return kDiscovered; }, Clock::now, [] { return false; });
  std::vector<platform::BrowseEntry> top, group, shares;
  EXPECT_EQ(browser.list("", top), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(names(top), (std::vector<std::string>{"DLWG", "mixgrp", "example.lan"}));
  EXPECT_EQ(browser.list("OTHER", group), static_cast<DWORD>(ERROR_BAD_NETPATH));
  browser.list("\\\\PC9", shares);
  EXPECT_EQ(netbios.asked, std::vector<std::string>{"\\\\PC9"});
}

TEST(MergingBrowser, TheProbeRunsBesideTheBrowseRequest) {
  // Each side waits for the other to have started: run one after the other,
  // both waits would time out.
  std::mutex lock;
  std::condition_variable changed;
  bool listing = false, probing = false;
  const auto meet = [&](bool &mine, const bool &other) {
    std::unique_lock guard(lock);
    mine = true;
    changed.notify_all();
    return changed.wait_for(guard, std::chrono::seconds(2), [&] { return other; });
  };
  bool probeSawListing = false, listingSawProbe = false;
  NetbiosScript netbios;
  netbios.duringList = [&] { listingSawProbe = meet(listing, probing); };
  wsd::MergingBrowser browser(netbios, [&] {
    probeSawListing = meet(probing, listing);
    return kDiscovered;
  });
  std::vector<platform::BrowseEntry> entries;
  browser.list("", entries);
  EXPECT_TRUE(probeSawListing);
  EXPECT_TRUE(listingSawProbe);
}

TEST(DiscoveryCache, OneRunServesAWalkThenRunsAgain) {
  Clock::time_point now = Clock::now();
  int runs = 0;
  std::vector<wsd::DiscoveredComputer> result = kDiscovered;
  wsd::DiscoveryCache cache(
      [&] {
        ++runs;
        return result;
      },
      [&] { return now; });
  EXPECT_FALSE(cache.addressOf("ATLAS")) << "nothing before the first run";
  EXPECT_EQ(cache.computers().size(), 4u);
  now += wsd::DiscoveryCache::kKeepFor - std::chrono::seconds(1);
  EXPECT_EQ(cache.computers().size(), 4u);
  EXPECT_EQ(runs, 1);
  now += std::chrono::seconds(1);
  result = {{"ATLAS", "DLWG", 0x6300000a}};
  EXPECT_EQ(cache.computers().size(), 1u);
  EXPECT_EQ(runs, 2);
  // Addresses stay known for the process; the latest one wins.
  EXPECT_EQ(cache.addressOf("atlas"), 0x6300000au);
  EXPECT_EQ(cache.addressOf("BOREAS"), 0x0c00000au);
  EXPECT_FALSE(cache.addressOf("nosuch"));
}

TEST(DiscoveryCache, AnnouncementsNeverMakeAnOldResultYoung) {
  Clock::time_point now = Clock::now();
  int runs = 0;
  wsd::DiscoveryCache cache(
      [&] {
        ++runs;
        return kDiscovered;
      },
      [&] { return now; });
  cache.computers();
  cache.joined({"LATECOMER", "DLWG", 0x6400000a, "urn:uuid:late"});
  EXPECT_EQ(cache.computers().size(), 5u) << "a Hello joins the kept result";
  // A computer may have left without a Bye: an old result is probed anew.
  now += wsd::DiscoveryCache::kKeepFor;
  EXPECT_EQ(cache.computers().size(), 4u);
  EXPECT_EQ(runs, 2);
}

TEST(DiscoveryCache, AddressesOfNamesNotSeenLatelyAreForgotten) {
  Clock::time_point now = Clock::now();
  constexpr size_t kPerRun = wsd::DiscoveryCache::kMaxAddresses / 4;
  int run = 0;
  wsd::DiscoveryCache cache(
      [&] {
        // Each run: ATLAS again, and a batch of names never seen before.
        std::vector<wsd::DiscoveredComputer> found = {{"ATLAS", "DLWG", 0x0b00000a}};
        for (size_t i = 1; i < kPerRun; ++i)
          found.push_back({"R" + std::to_string(run) + "N" + std::to_string(i), "W",
                           static_cast<uint32_t>(0x0a000000 + i)});
        ++run;
        return found;
      },
      [&] { return now; });
  for (int i = 0; i < 5; ++i) {
    cache.computers();
    now += wsd::DiscoveryCache::kKeepFor;
  }
  EXPECT_FALSE(cache.addressOf("R0N1")) << "the oldest run's names made room";
  EXPECT_EQ(cache.addressOf("R1N1"), 0x0a000001u);
  EXPECT_EQ(cache.addressOf("r4n255"), 0x0a0000ffu);
  EXPECT_EQ(cache.addressOf("atlas"), 0x0b00000au) << "given by every run";
}
