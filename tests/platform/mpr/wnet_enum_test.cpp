#include <platform/backends.h>
#include <support/ContainerRecord.h>
#include <support/LastError.h>
#include <support/ScriptedBrowser.h>
#include <winnetwk.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

using testsupport::ScriptedBrowser;
using Kind = ScriptedBrowser::Kind;

namespace {

constexpr auto &provider = testsupport::kProvider;
using testsupport::containerRecord;
constexpr DWORD kAsManyAsFit = 0xFFFFFFFF;

// One returned record, copied out of the caller's buffer.
struct Record {
  DWORD scope, type, displayType, usage;
  bool hasLocalName;
  std::string remoteName;
  std::optional<std::string> comment;
  std::string provider;
};

Record copyOf(const NETRESOURCEA &r) {
  return {r.dwScope,
          r.dwType,
          r.dwDisplayType,
          r.dwUsage,
          r.lpLocalName != nullptr,
          r.lpRemoteName != nullptr ? r.lpRemoteName : "(null)",
          r.lpComment != nullptr ? std::optional<std::string>(r.lpComment) : std::nullopt,
          r.lpProvider != nullptr ? r.lpProvider : "(null)"};
}

DWORD openBelow(const char *remoteName, HANDLE &handle, DWORD type = RESOURCETYPE_DISK,
                DWORD usage = 0) {
  NETRESOURCEA container = containerRecord(remoteName);
  return WNetOpenEnumA(RESOURCE_GLOBALNET, type, usage, &container, &handle);
}

// Every record of an open enumeration, through a roomy buffer.
std::vector<Record> drain(HANDLE handle) {
  std::vector<Record> records;
  std::vector<unsigned char> buffer(16384);
  for (;;) {
    DWORD count = kAsManyAsFit;
    DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD status = WNetEnumResourceA(handle, &count, buffer.data(), &size);
    if (status == ERROR_NO_MORE_ITEMS)
      return records;
    EXPECT_EQ(status, static_cast<DWORD>(NO_ERROR));
    if (status != NO_ERROR)
      return records;
    for (DWORD i = 0; i < count; ++i) {
      NETRESOURCEA r;
      std::memcpy(&r, buffer.data() + i * sizeof r, sizeof r);
      records.push_back(copyOf(r));
    }
  }
}

std::vector<std::string> remoteNamesBelow(const char *remoteName, DWORD type = RESOURCETYPE_DISK,
                                          DWORD usage = 0) {
  HANDLE handle = nullptr;
  const DWORD status = openBelow(remoteName, handle, type, usage);
  EXPECT_EQ(status, static_cast<DWORD>(NO_ERROR)) << "opening " << remoteName;
  if (status != NO_ERROR)
    return {};
  std::vector<std::string> names;
  for (const Record &record : drain(handle))
    names.push_back(record.remoteName);
  EXPECT_EQ(WNetCloseEnum(handle), static_cast<DWORD>(NO_ERROR));
  return names;
}

using Names = std::vector<std::string>;

class WNetEnumeration : public testsupport::ScriptedNetworkTest {};

} // namespace

// --- levels and name forms ---------------------------------------------------

TEST_F(WNetEnumeration, RootOfTheNetworkHoldsTheProvider) {
  HANDLE handle = nullptr;
  ASSERT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, nullptr, &handle),
            static_cast<DWORD>(NO_ERROR));
  const std::vector<Record> records = drain(handle);
  WNetCloseEnum(handle);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].remoteName, provider);
  EXPECT_EQ(records[0].provider, provider);
  EXPECT_EQ(records[0].displayType, static_cast<DWORD>(RESOURCEDISPLAYTYPE_NETWORK));
  EXPECT_EQ(records[0].usage, static_cast<DWORD>(RESOURCEUSAGE_CONTAINER));
  EXPECT_TRUE(browser_.asked.empty()) << "the root needs no network traffic";
}

TEST_F(WNetEnumeration, ProviderLevelListsWorkgroupsAsDomains) {
  for (const char *name :
       {static_cast<const char *>(nullptr), "", provider, "MICROSOFT WINDOWS NETWORK"}) {
    HANDLE handle = nullptr;
    ASSERT_EQ(openBelow(name, handle), static_cast<DWORD>(NO_ERROR));
    const std::vector<Record> records = drain(handle);
    WNetCloseEnum(handle);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].remoteName, "GROUP1");
    EXPECT_EQ(records[1].remoteName, "GROUP2");
    for (const Record &r : records) {
      EXPECT_EQ(r.scope, static_cast<DWORD>(RESOURCE_GLOBALNET));
      EXPECT_EQ(r.displayType, static_cast<DWORD>(RESOURCEDISPLAYTYPE_DOMAIN));
      EXPECT_EQ(r.usage, static_cast<DWORD>(RESOURCEUSAGE_CONTAINER));
      EXPECT_FALSE(r.hasLocalName);
      EXPECT_FALSE(r.comment) << "a workgroup's comment (its master browser) is not shown";
      EXPECT_EQ(r.provider, provider);
    }
  }
  EXPECT_EQ(browser_.asked, Names(4, ""));
}

TEST_F(WNetEnumeration, WorkgroupListsServersAsTwoBackslashesAndTheName) {
  HANDLE handle = nullptr;
  ASSERT_EQ(openBelow("GROUP1", handle), static_cast<DWORD>(NO_ERROR));
  const std::vector<Record> records = drain(handle);
  WNetCloseEnum(handle);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].remoteName, "\\\\PC1");
  EXPECT_EQ(records[0].comment, "first");
  EXPECT_EQ(records[1].remoteName, "\\\\PC2");
  EXPECT_FALSE(records[1].comment);
  for (const Record &r : records) {
    EXPECT_EQ(r.displayType, static_cast<DWORD>(RESOURCEDISPLAYTYPE_SERVER));
    EXPECT_EQ(r.usage, static_cast<DWORD>(RESOURCEUSAGE_CONTAINER));
  }
  EXPECT_EQ(browser_.asked, Names{"GROUP1"});
}

TEST_F(WNetEnumeration, ServerListsOnlyItsVisibleDiskShares) {
  HANDLE handle = nullptr;
  ASSERT_EQ(openBelow("\\\\PC1", handle), static_cast<DWORD>(NO_ERROR));
  const std::vector<Record> records = drain(handle);
  WNetCloseEnum(handle);
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].remoteName, "\\\\PC1\\docs");
  EXPECT_EQ(records[0].comment, "documents");
  EXPECT_EQ(records[1].remoteName, "\\\\PC1\\public");
  for (const Record &r : records) {
    EXPECT_EQ(r.type, static_cast<DWORD>(RESOURCETYPE_DISK));
    EXPECT_EQ(r.displayType, static_cast<DWORD>(RESOURCEDISPLAYTYPE_SHARE));
    EXPECT_EQ(r.usage, static_cast<DWORD>(RESOURCEUSAGE_CONNECTABLE));
  }
  EXPECT_EQ(browser_.asked, Names{"\\\\PC1"});
}

TEST_F(WNetEnumeration, ShareNamesStartWithTheServerNameAsGiven) {
  browser_.add("\\\\pc1", Kind::FileShare, "docs");
  EXPECT_EQ(remoteNamesBelow("\\\\pc1"), Names{"\\\\pc1\\docs"});
}

TEST_F(WNetEnumeration, TypeFilterChoosesDiskOrPrintSharesButNeverIpcOrHidden) {
  EXPECT_EQ(remoteNamesBelow("\\\\PC1", RESOURCETYPE_ANY),
            (Names{"\\\\PC1\\docs", "\\\\PC1\\laser", "\\\\PC1\\public"}));
  EXPECT_EQ(remoteNamesBelow("\\\\PC1", RESOURCETYPE_DISK | RESOURCETYPE_PRINT),
            (Names{"\\\\PC1\\docs", "\\\\PC1\\laser", "\\\\PC1\\public"}));
  EXPECT_EQ(remoteNamesBelow("\\\\PC1", RESOURCETYPE_PRINT), Names{"\\\\PC1\\laser"});
  // Containers may hold either kind, so the type filter keeps them.
  EXPECT_EQ(remoteNamesBelow("GROUP1", RESOURCETYPE_PRINT), (Names{"\\\\PC1", "\\\\PC2"}));
}

TEST_F(WNetEnumeration, UsageFilterChoosesContainersOrConnectables) {
  EXPECT_EQ(remoteNamesBelow("GROUP1", RESOURCETYPE_ANY, RESOURCEUSAGE_CONNECTABLE), Names{});
  EXPECT_EQ(remoteNamesBelow("\\\\PC1", RESOURCETYPE_ANY, RESOURCEUSAGE_CONTAINER), Names{});
  EXPECT_EQ(remoteNamesBelow("\\\\PC1", RESOURCETYPE_DISK, RESOURCEUSAGE_CONNECTABLE),
            (Names{"\\\\PC1\\docs", "\\\\PC1\\public"}));
  EXPECT_EQ(remoteNamesBelow("GROUP1", RESOURCETYPE_ANY, RESOURCEUSAGE_ALL),
            (Names{"\\\\PC1", "\\\\PC2"}));
}

TEST_F(WNetEnumeration, EmptyContainerOpensAndHasNoItems) {
  HANDLE handle = nullptr;
  ASSERT_EQ(openBelow("\\\\PC3", handle), static_cast<DWORD>(NO_ERROR));
  unsigned char buffer[512];
  DWORD count = kAsManyAsFit;
  DWORD size = sizeof buffer;
  EXPECT_EQ(WNetEnumResourceA(handle, &count, buffer, &size),
            static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  EXPECT_EQ(WNetCloseEnum(handle), static_cast<DWORD>(NO_ERROR));
}

// --- odd entries from the network --------------------------------------------

TEST_F(WNetEnumeration, OddEntriesAreDroppedAtEveryLevel) {
  ScriptedBrowser odd;
  odd.add("", Kind::Workgroup, "")
      .add("", Kind::Workgroup, "GROUP1")
      .add("", Kind::Workgroup, "group1")
      .add("", Kind::Computer, "STRAY")
      .add("", Kind::Workgroup, "BAD\\NAME")
      .add("", Kind::Workgroup, "TAB\tNAME")
      .add("GROUP1", Kind::Computer, "")
      .add("GROUP1", Kind::Computer, "PC1")
      .add("GROUP1", Kind::Computer, "pc1")
      .add("GROUP1", Kind::FileShare, "docs")
      .add("GROUP1", Kind::Computer, "A/B")
      .add("\\\\PC1", Kind::FileShare, "")
      .add("\\\\PC1", Kind::FileShare, "a\\b")
      .add("\\\\PC1", Kind::Other, "thing")
      .add("\\\\PC1", Kind::Computer, "PC9")
      .add("\\\\PC1", Kind::FileShare, "$")
      .add("\\\\PC1", Kind::FileShare, "C$")
      .add("\\\\PC1", Kind::FileShare, "docs")
      .add("\\\\PC1", Kind::FileShare, "DOCS");
  EXPECT_EQ(remoteNamesBelow(""), Names{"GROUP1"});
  EXPECT_EQ(remoteNamesBelow("GROUP1"), Names{"\\\\PC1"});
  EXPECT_EQ(remoteNamesBelow("\\\\PC1", RESOURCETYPE_ANY), Names{"\\\\PC1\\docs"});
}

// --- container names ---------------------------------------------------------

TEST_F(WNetEnumeration, MalformedOrOverlongNamesFailWithoutNetworkTraffic) {
  const std::string longServer = "\\\\" + std::string(256, 'S');
  const std::string veryLong(5000, 'W');
  for (const std::string &name :
       {std::string("\\\\"), std::string("\\\\\\x"), std::string("\\x"), std::string("\\\\PC1\\"),
        std::string("SIXTEENCHARSLONG"), longServer, veryLong, std::string("GR\nOUP"),
        std::string("\\\\PC\t1"), std::string("A/B"), std::string("\\\\A/B"),
        std::string("GROUP\x7F")}) {
    HANDLE handle = reinterpret_cast<HANDLE>(0x1234);
    EXPECT_EQ(openBelow(name.c_str(), handle), static_cast<DWORD>(ERROR_BAD_NETPATH))
        << name.substr(0, 40);
    EXPECT_EQ(handle, nullptr);
  }
  EXPECT_TRUE(browser_.asked.empty());
}

TEST_F(WNetEnumeration, LongestNamesArePassedOn) {
  const std::string workgroup(15, 'W');
  const std::string server = "\\\\" + std::string(255, 's');
  // A DNS domain, as WS-Discovery reports one.
  const std::string domain = std::string(251, 'd') + ".lan";
  for (const std::string &name : {workgroup, server, domain}) {
    HANDLE handle = nullptr;
    EXPECT_EQ(openBelow(name.c_str(), handle), static_cast<DWORD>(ERROR_BAD_NETPATH));
  }
  EXPECT_EQ(browser_.asked, (Names{workgroup, server, domain}));
  HANDLE handle = nullptr;
  EXPECT_EQ(openBelow(("d" + domain).c_str(), handle), static_cast<DWORD>(ERROR_BAD_NETPATH));
  EXPECT_EQ(browser_.asked.size(), 3u) << "a 256-byte domain name is refused before any traffic";
}

TEST_F(WNetEnumeration, ShareIsNotAContainer) {
  for (const char *name : {"\\\\PC1\\docs", "\\\\PC1\\docs\\folder"}) {
    HANDLE handle = nullptr;
    EXPECT_EQ(openBelow(name, handle), static_cast<DWORD>(ERROR_NOT_CONTAINER)) << name;
  }
  EXPECT_TRUE(browser_.asked.empty());
}

TEST_F(WNetEnumeration, BackendFailuresFailTheOpen) {
  browser_.fail("LOCKED", ERROR_ACCESS_DENIED);
  HANDLE handle = nullptr;
  EXPECT_EQ(openBelow("NOSUCH", handle), static_cast<DWORD>(ERROR_BAD_NETPATH));
  EXPECT_EQ(openBelow("\\\\NOSUCH", handle), static_cast<DWORD>(ERROR_BAD_NETPATH));
  EXPECT_EQ(openBelow("LOCKED", handle), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(handle, nullptr);

  ScriptedBrowser offline; // knows no container at all
  EXPECT_EQ(openBelow(nullptr, handle), static_cast<DWORD>(ERROR_NO_NETWORK));
}

TEST_F(WNetEnumeration, AFailedOpenLeavesItsCodeAsTheLastError) {
  browser_.fail("LOCKED", ERROR_ACCESS_DENIED);
  const struct {
    const char *container;
    bool withHandle;
    DWORD expected;
    DWORD lastError;
  } cases[] = {
      {"\\\\NOSUCH", true, ERROR_BAD_NETPATH, ERROR_BAD_NETPATH},
      {"LOCKED", true, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED},
      {"\\\\PC1\\docs", true, ERROR_NOT_CONTAINER, ERROR_NOT_CONTAINER},
      {"GROUP1", false, ERROR_INVALID_PARAMETER, ERROR_INVALID_PARAMETER},
      // A successful open leaves the caller's last error alone.
      {"GROUP1", true, NO_ERROR, testsupport::kUntouchedLastError},
  };
  for (const auto &c : cases) {
    NETRESOURCEA container = containerRecord(c.container);
    HANDLE handle = nullptr;
    SetLastError(testsupport::kUntouchedLastError);
    EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &container,
                            c.withHandle ? &handle : nullptr),
              c.expected)
        << c.container;
    EXPECT_EQ(GetLastError(), c.lastError) << c.container;
    if (handle != nullptr)
      WNetCloseEnum(handle);
  }
}

// --- arguments of WNetOpenEnumA ----------------------------------------------

TEST_F(WNetEnumeration, OpenRejectsBadArguments) {
  NETRESOURCEA container = containerRecord("GROUP1");
  HANDLE handle = nullptr;
  EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &container, nullptr),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  for (DWORD scope : {0u, 4u, 6u, 0xFFFFFFFFu})
    EXPECT_EQ(WNetOpenEnumA(scope, RESOURCETYPE_DISK, 0, &container, &handle),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER))
        << scope;
  for (DWORD type : {4u, 8u, 0xFFFFFFFFu})
    EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, type, 0, &container, &handle),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER))
        << type;
  for (DWORD usage : {4u, 0x100u, 0x80000000u})
    EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, usage, &container, &handle),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER))
        << usage;
  EXPECT_TRUE(browser_.asked.empty());
}

TEST_F(WNetEnumeration, ContainerRecordMustBeOursAndAContainer) {
  HANDLE handle = nullptr;
  NETRESOURCEA other = containerRecord("GROUP1", "Some Other Network");
  EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &other, &handle),
            static_cast<DWORD>(ERROR_BAD_PROVIDER));
  NETRESOURCEA connectable = containerRecord("GROUP1");
  connectable.dwUsage = RESOURCEUSAGE_CONNECTABLE;
  EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &connectable, &handle),
            static_cast<DWORD>(ERROR_NOT_CONTAINER));
  EXPECT_TRUE(browser_.asked.empty());

  // No provider named means ours; so does our name in another case.
  for (const char *providerName :
       {static_cast<const char *>(nullptr), "microsoft windows network"}) {
    NETRESOURCEA container = containerRecord("GROUP1", providerName);
    ASSERT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &container, &handle),
              static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(drain(handle).size(), 2u);
    WNetCloseEnum(handle);
  }
}

TEST_F(WNetEnumeration, ConnectionScopesAreEmptyAndContextIsNotSupported) {
  for (DWORD scope : {RESOURCE_CONNECTED, RESOURCE_REMEMBERED}) {
    HANDLE handle = nullptr;
    ASSERT_EQ(WNetOpenEnumA(scope, RESOURCETYPE_ANY, 0, nullptr, &handle),
              static_cast<DWORD>(NO_ERROR));
    EXPECT_TRUE(drain(handle).empty());
    WNetCloseEnum(handle);
    NETRESOURCEA container = containerRecord("GROUP1");
    EXPECT_EQ(WNetOpenEnumA(scope, RESOURCETYPE_ANY, 0, &container, &handle),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  HANDLE handle = nullptr;
  EXPECT_EQ(WNetOpenEnumA(RESOURCE_CONTEXT, RESOURCETYPE_ANY, 0, nullptr, &handle),
            static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_TRUE(browser_.asked.empty());
}

// --- the buffer contract of WNetEnumResourceA ---------------------------------

namespace {

// A caller's buffer with guard bytes on both sides and a known fill, to see
// exactly which bytes the call wrote.
class GuardedBuffer {
public:
  explicit GuardedBuffer(size_t size) : bytes_(size + 2 * kGuard, kFill) {}
  void *data() { return bytes_.data() + kGuard; }
  DWORD size() const { return static_cast<DWORD>(bytes_.size() - 2 * kGuard); }
  const unsigned char *begin() const { return bytes_.data() + kGuard; }
  const unsigned char *end() const { return begin() + size(); }
  bool guardsIntact() const {
    for (size_t i = 0; i < kGuard; ++i)
      if (bytes_[i] != kFill || bytes_[bytes_.size() - 1 - i] != kFill)
        return false;
    return true;
  }
  bool untouched(size_t from, size_t to) const {
    for (size_t i = from; i < to; ++i)
      if (begin()[i] != kFill)
        return false;
    return true;
  }
  NETRESOURCEA record(size_t i) const {
    NETRESOURCEA r;
    std::memcpy(&r, begin() + i * sizeof r, sizeof r);
    return r;
  }

  static constexpr size_t kGuard = 64;
  static constexpr unsigned char kFill = 0xA5;

private:
  std::vector<unsigned char> bytes_;
};

// Size of one record with its strings, as the buffer holds them.
size_t entrySize(const std::string &remoteName, const std::string &comment) {
  return sizeof(NETRESOURCEA) + remoteName.size() + 1 + (comment.empty() ? 0 : comment.size() + 1) +
         sizeof provider;
}

class WNetBuffer : public WNetEnumeration {
protected:
  void SetUp() override {
    WNetEnumeration::SetUp();
    ASSERT_EQ(openBelow("\\\\PC1", handle_), static_cast<DWORD>(NO_ERROR));
  }
  void TearDown() override {
    WNetCloseEnum(handle_);
    WNetEnumeration::TearDown();
  }
  HANDLE handle_ = nullptr;
  // The shares of PC1 as listed: docs (comment "documents"), public.
  const size_t docsSize = entrySize("\\\\PC1\\docs", "documents");
  const size_t publicSize = entrySize("\\\\PC1\\public", "");
};

} // namespace

TEST_F(WNetBuffer, RecordsAtTheStartStringsAtTheEndNothingOutside) {
  GuardedBuffer buffer(1000);
  DWORD count = kAsManyAsFit;
  DWORD size = buffer.size();
  ASSERT_EQ(WNetEnumResourceA(handle_, &count, buffer.data(), &size), static_cast<DWORD>(NO_ERROR));
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(size, 1000u) << "the size is only written when more is needed";
  EXPECT_TRUE(buffer.guardsIntact());

  const size_t recordsEnd = 2 * sizeof(NETRESOURCEA);
  const size_t stringsStart = 1000 - (docsSize + publicSize - recordsEnd);
  EXPECT_TRUE(buffer.untouched(recordsEnd, stringsStart)) << "the gap stays as it was";
  for (size_t i = 0; i < count; ++i) {
    const NETRESOURCEA r = buffer.record(i);
    for (const char *text : {r.lpRemoteName, r.lpComment, r.lpProvider}) {
      if (text == nullptr)
        continue;
      const auto *at = reinterpret_cast<const unsigned char *>(text);
      EXPECT_GE(at, buffer.begin() + stringsStart);
      EXPECT_LE(at + std::strlen(text) + 1, buffer.end());
    }
  }
  EXPECT_STREQ(buffer.record(0).lpRemoteName, "\\\\PC1\\docs");
  EXPECT_STREQ(buffer.record(0).lpComment, "documents");
  EXPECT_STREQ(buffer.record(1).lpRemoteName, "\\\\PC1\\public");
  EXPECT_EQ(buffer.record(1).lpComment, nullptr);
  EXPECT_STREQ(buffer.record(1).lpProvider, provider);
}

TEST_F(WNetBuffer, AsManyAsFitThenTheRestThenNoMoreItems) {
  GuardedBuffer buffer(docsSize + publicSize - 1); // room for docs only
  DWORD count = kAsManyAsFit;
  DWORD size = buffer.size();
  ASSERT_EQ(WNetEnumResourceA(handle_, &count, buffer.data(), &size), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(count, 1u);
  EXPECT_STREQ(buffer.record(0).lpRemoteName, "\\\\PC1\\docs");
  EXPECT_TRUE(buffer.guardsIntact());

  count = kAsManyAsFit;
  ASSERT_EQ(WNetEnumResourceA(handle_, &count, buffer.data(), &size), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(count, 1u);
  EXPECT_STREQ(buffer.record(0).lpRemoteName, "\\\\PC1\\public");

  for (int again = 0; again < 2; ++again) {
    count = kAsManyAsFit;
    EXPECT_EQ(WNetEnumResourceA(handle_, &count, buffer.data(), &size),
              static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
  }
  EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(WNetBuffer, ExactFitTakesEverything) {
  GuardedBuffer buffer(docsSize + publicSize);
  DWORD count = kAsManyAsFit;
  DWORD size = buffer.size();
  ASSERT_EQ(WNetEnumResourceA(handle_, &count, buffer.data(), &size), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(count, 2u);
  EXPECT_TRUE(buffer.guardsIntact());
}

TEST_F(WNetBuffer, FirstEntryThatDoesNotFitAsksForItsSize) {
  for (size_t tooSmall : {size_t{0}, size_t{10}, sizeof(NETRESOURCEA), docsSize - 1}) {
    GuardedBuffer buffer(tooSmall);
    DWORD count = kAsManyAsFit;
    DWORD size = buffer.size();
    ASSERT_EQ(WNetEnumResourceA(handle_, &count, buffer.data(), &size),
              static_cast<DWORD>(ERROR_MORE_DATA))
        << tooSmall;
    EXPECT_EQ(size, docsSize);
    EXPECT_EQ(count, kAsManyAsFit) << "the count is only written on success";
    EXPECT_TRUE(buffer.guardsIntact());
    EXPECT_TRUE(buffer.untouched(0, tooSmall));
  }
  // The size it asked for is enough, and nothing was skipped meanwhile.
  GuardedBuffer buffer(docsSize);
  DWORD count = kAsManyAsFit;
  DWORD size = buffer.size();
  ASSERT_EQ(WNetEnumResourceA(handle_, &count, buffer.data(), &size), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(count, 1u);
  EXPECT_STREQ(buffer.record(0).lpRemoteName, "\\\\PC1\\docs");
}

TEST_F(WNetBuffer, CountLimitsTheEntries) {
  GuardedBuffer buffer(4096);
  DWORD count = 1;
  DWORD size = buffer.size();
  ASSERT_EQ(WNetEnumResourceA(handle_, &count, buffer.data(), &size), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(count, 1u);
  EXPECT_STREQ(buffer.record(0).lpRemoteName, "\\\\PC1\\docs");
}

TEST_F(WNetBuffer, NullArgumentsAndZeroCountAreRefused) {
  unsigned char buffer[1024];
  DWORD count = kAsManyAsFit;
  DWORD size = sizeof buffer;
  EXPECT_EQ(WNetEnumResourceA(handle_, nullptr, buffer, &size),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(WNetEnumResourceA(handle_, &count, nullptr, &size),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(WNetEnumResourceA(handle_, &count, buffer, nullptr),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  count = 0;
  EXPECT_EQ(WNetEnumResourceA(handle_, &count, buffer, &size),
            static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // None of that used up an entry.
  EXPECT_EQ(drain(handle_).size(), 2u);
}

// --- handles -----------------------------------------------------------------

TEST_F(WNetEnumeration, UnknownAndClosedHandlesAreRefused) {
  HANDLE handle = nullptr;
  ASSERT_EQ(openBelow("GROUP1", handle), static_cast<DWORD>(NO_ERROR));
  EXPECT_EQ(platform::openBrowseEnumerationCount(), openBefore_ + 1);
  ASSERT_EQ(WNetCloseEnum(handle), static_cast<DWORD>(NO_ERROR));
  HANDLE next = nullptr;
  ASSERT_EQ(openBelow("GROUP1", next), static_cast<DWORD>(NO_ERROR));
  EXPECT_NE(next, handle) << "a closed handle is never handed out again";

  unsigned char buffer[1024];
  for (HANDLE bad : {handle, static_cast<HANDLE>(nullptr), reinterpret_cast<HANDLE>(1),
                     reinterpret_cast<HANDLE>(-1), static_cast<HANDLE>(buffer)}) {
    DWORD count = kAsManyAsFit;
    DWORD size = sizeof buffer;
    EXPECT_EQ(WNetEnumResourceA(bad, &count, buffer, &size),
              static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(WNetCloseEnum(bad), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
  EXPECT_EQ(drain(next).size(), 2u);
  EXPECT_EQ(WNetCloseEnum(next), static_cast<DWORD>(NO_ERROR));
}
