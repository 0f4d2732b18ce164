#include "PlatformInterposer.h"

#include <platform/backends.h>
#include <support/ContainerRecord.h>
#include <support/ScriptedBrowser.h>
#include <velnip.h>
#include <winnetwk.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using testsupport::EnumResourceOverride;
using testsupport::LocalMemoryWatch;
using testsupport::ScriptedBrowser;
using Kind = ScriptedBrowser::Kind;
using Names = std::vector<std::string>;

namespace {

constexpr auto &provider = testsupport::kProvider;
using testsupport::containerRecord;

// The caller's string list as a C caller would build it.
struct CollectingList {
  Names names;
  VELNIP_STRING_LIST list{this, &CollectingList::append};

  static void append(void *context, const char *text) {
    static_cast<CollectingList *>(context)->names.emplace_back(text);
  }
};

// Space one record of a server listing takes in the buffer.
size_t serverEntrySize(const std::string &name) {
  return sizeof(NETRESOURCEA) + 2 + name.size() + 1 + sizeof provider;
}

std::string remoteNameOf(const void *buffer, size_t index) {
  NETRESOURCEA record;
  std::memcpy(&record, static_cast<const unsigned char *>(buffer) + index * sizeof record,
              sizeof record);
  return record.lpRemoteName;
}

// Every call must close its enumeration and leave WinSock as it found it.
class BrowseExports : public ::testing::Test {
protected:
  void SetUp() override {
    testsupport::scriptSmallNetwork(browser_);
    openBefore_ = platform::openBrowseEnumerationCount();
    startsBefore_ = platform::winsockStartCount();
  }
  void TearDown() override {
    EXPECT_EQ(platform::openBrowseEnumerationCount(), openBefore_);
    EXPECT_EQ(platform::winsockStartCount(), startsBefore_);
  }

  ScriptedBrowser browser_;
  size_t openBefore_ = 0;
  int startsBefore_ = 0;
};

} // namespace

// --- GetNetResource ------------------------------------------------------------

TEST_F(BrowseExports, GetNetResourceAppendsEachLevelInOrder) {
  for (const char *top : {static_cast<const char *>(nullptr), ""}) {
    CollectingList workgroups;
    ASSERT_TRUE(GetNetResource(top, &workgroups.list));
    EXPECT_EQ(workgroups.names, (Names{"GROUP1", "GROUP2"}));
  }
  CollectingList servers;
  ASSERT_TRUE(GetNetResource("GROUP1", &servers.list));
  EXPECT_EQ(servers.names, (Names{"\\\\PC1", "\\\\PC2"}));
  CollectingList shares;
  ASSERT_TRUE(GetNetResource("\\\\PC1", &shares.list));
  EXPECT_EQ(shares.names, (Names{"\\\\PC1\\docs", "\\\\PC1\\public"}));
}

TEST_F(BrowseExports, GetNetResourceFailuresAppendNothing) {
  browser_.fail("DOWN", ERROR_NO_NETWORK);
  for (const char *container :
       {"NOSUCH", "\\\\NOSUCH", "DOWN", "\\\\PC3" /* empty */, "\\\\PC1\\docs", "\\\\\\x"}) {
    CollectingList list;
    EXPECT_FALSE(GetNetResource(container, &list.list)) << container;
    EXPECT_TRUE(list.names.empty()) << container;
  }
}

TEST_F(BrowseExports, GetNetResourceRefusesAMissingListBeforeBrowsing) {
  EXPECT_FALSE(GetNetResource("GROUP1", nullptr));
  VELNIP_STRING_LIST noAppend{nullptr, nullptr};
  EXPECT_FALSE(GetNetResource("GROUP1", &noAppend));
  EXPECT_TRUE(browser_.asked.empty());
}

TEST_F(BrowseExports, GetNetResourceFirstEntryTooLargeForItsBufferGivesFalse) {
  ScriptedBrowser big;
  big.add("GROUP9", Kind::Computer, std::string(3200, 'B')).add("GROUP9", Kind::Computer, "SMALL");
  CollectingList list;
  EXPECT_FALSE(GetNetResource("GROUP9", &list.list));
  EXPECT_TRUE(list.names.empty());
}

TEST_F(BrowseExports, GetNetResourceCutsALongListToOneBuffer) {
  ScriptedBrowser many;
  Names all;
  for (int i = 0; i < 200; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "SERVER%03d", i);
    many.add("GROUP9", Kind::Computer, name);
    all.push_back(std::string("\\\\") + name);
  }
  CollectingList list;
  ASSERT_TRUE(GetNetResource("GROUP9", &list.list));
  const size_t fit = 3200 / serverEntrySize("SERVER000");
  ASSERT_EQ(list.names.size(), fit);
  EXPECT_EQ(list.names, Names(all.begin(), all.begin() + static_cast<long>(fit)));
}

// --- CreateNetResourceList -----------------------------------------------------

TEST_F(BrowseExports, CreateNetResourceListHandsOverTheRecords) {
  NETRESOURCEA container = containerRecord("\\\\PC1");
  uint32_t count = 0;
  void *buffer = nullptr;
  ASSERT_TRUE(CreateNetResourceList(RESOURCETYPE_DISK, &container, &count, &buffer));
  ASSERT_NE(buffer, nullptr);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(remoteNameOf(buffer, 0), "\\\\PC1\\docs");
  EXPECT_EQ(remoteNameOf(buffer, 1), "\\\\PC1\\public");
  LocalFree(buffer);

  ASSERT_TRUE(CreateNetResourceList(RESOURCETYPE_ANY, &container, &count, &buffer));
  EXPECT_EQ(count, 3u) << "the printer share too";
  LocalFree(buffer);
}

TEST_F(BrowseExports, CreateNetResourceListWithoutContainerGivesTheProvider) {
  uint32_t count = 0;
  void *buffer = nullptr;
  ASSERT_TRUE(CreateNetResourceList(RESOURCETYPE_DISK, nullptr, &count, &buffer));
  ASSERT_EQ(count, 1u);
  EXPECT_EQ(remoteNameOf(buffer, 0), provider);
  LocalFree(buffer);
}

TEST_F(BrowseExports, CreateNetResourceListGrowsItsBufferForALargeFirstEntry) {
  ScriptedBrowser big;
  const std::string longName(40000, 'L');
  big.add("GROUP9", Kind::Computer, longName).add("GROUP9", Kind::Computer, "SMALL");
  NETRESOURCEA container = containerRecord("GROUP9");
  uint32_t count = 0;
  void *buffer = nullptr;
  LocalMemoryWatch memory;
  ASSERT_TRUE(CreateNetResourceList(RESOURCETYPE_DISK, &container, &count, &buffer));
  EXPECT_GE(memory.reAllocCalls, 1);
  ASSERT_GE(count, 1u);
  EXPECT_EQ(remoteNameOf(buffer, 0), "\\\\" + longName);
  EXPECT_EQ(memory.live, std::set<HLOCAL>{buffer}) << "only the handed-over buffer is left";
  LocalFree(buffer);
}

TEST_F(BrowseExports, CreateNetResourceListTakesOnlyTheFirstBatch) {
  ScriptedBrowser many;
  for (int i = 0; i < 1000; ++i)
    many.add("GROUP9", Kind::Computer, "SERVER" + std::to_string(i));
  NETRESOURCEA container = containerRecord("GROUP9");
  uint32_t count = 0;
  void *buffer = nullptr;
  ASSERT_TRUE(CreateNetResourceList(RESOURCETYPE_DISK, &container, &count, &buffer));
  EXPECT_GT(count, 0u);
  EXPECT_LT(count, 1000u);
  EXPECT_EQ(remoteNameOf(buffer, count - 1), "\\\\SERVER" + std::to_string(count - 1));
  LocalFree(buffer);
}

TEST_F(BrowseExports, CreateNetResourceListFailureLeavesNullAndZero) {
  NETRESOURCEA unknown = containerRecord("NOSUCH");
  NETRESOURCEA empty = containerRecord("\\\\PC3");
  NETRESOURCEA share = containerRecord("\\\\PC1\\docs");
  NETRESOURCEA group = containerRecord("GROUP1");
  struct Case {
    DWORD type;
    NETRESOURCEA *container;
  };
  LocalMemoryWatch memory;
  for (const Case &c : {Case{RESOURCETYPE_DISK, &unknown}, Case{RESOURCETYPE_DISK, &empty},
                        Case{RESOURCETYPE_DISK, &share}, Case{0x80, &group}}) {
    uint32_t count = 77;
    void *buffer = &count; // anything but null
    EXPECT_FALSE(CreateNetResourceList(c.type, c.container, &count, &buffer));
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(count, 0u);
  }
  EXPECT_TRUE(memory.live.empty()) << "every buffer was released";
}

TEST_F(BrowseExports, CreateNetResourceListWithoutCountOrBufferTouchesNothing) {
  NETRESOURCEA container = containerRecord("GROUP1");
  uint32_t count = 77;
  void *buffer = &count;
  EXPECT_FALSE(CreateNetResourceList(RESOURCETYPE_DISK, &container, nullptr, &buffer));
  EXPECT_EQ(buffer, &count);
  EXPECT_FALSE(CreateNetResourceList(RESOURCETYPE_DISK, &container, &count, nullptr));
  EXPECT_EQ(count, 77u);
  EXPECT_TRUE(browser_.asked.empty());
}

TEST_F(BrowseExports, CreateNetResourceListGivesUpOnMoreDataWithoutALargerSize) {
  int calls = 0;
  EnumResourceOverride stuck([&calls](HANDLE, LPDWORD, LPVOID, LPDWORD size) {
    // "More data", yet a smaller buffer than the one given. Past a few calls
    // it stops, so a caller that keeps going fails here instead of hanging.
    if (++calls > 3)
      return static_cast<DWORD>(ERROR_NO_MORE_ITEMS);
    *size = 100;
    return static_cast<DWORD>(ERROR_MORE_DATA);
  });
  LocalMemoryWatch memory;
  NETRESOURCEA container = containerRecord("GROUP1");
  uint32_t count = 77;
  void *buffer = &count;
  EXPECT_FALSE(CreateNetResourceList(RESOURCETYPE_DISK, &container, &count, &buffer));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(memory.live.empty());
}

TEST_F(BrowseExports, CreateNetResourceListReleasesTheBufferWhenGrowingFails) {
  ScriptedBrowser big;
  big.add("GROUP9", Kind::Computer, std::string(40000, 'L'));
  LocalMemoryWatch memory;
  memory.failReAlloc = true;
  NETRESOURCEA container = containerRecord("GROUP9");
  uint32_t count = 77;
  void *buffer = &count;
  EXPECT_FALSE(CreateNetResourceList(RESOURCETYPE_DISK, &container, &count, &buffer));
  EXPECT_EQ(memory.reAllocCalls, 1);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(count, 0u);
  EXPECT_TRUE(memory.live.empty()) << "the first buffer was released";
}
