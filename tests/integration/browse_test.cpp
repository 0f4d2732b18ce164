// Network browsing against the lab's real Samba servers: the workgroups, the
// servers of each and the disk shares of each server, in the exact name
// forms, through the library's exports and the program's own utility.
#include "Lab.h"

#include <WSockUtils.h>
#include <platform/backends.h>
#include <support/ChildProcess.h>
#include <support/ContainerRecord.h>
#include <support/ScopedEnvironment.h>
#include <velnip.h>
#include <winnetwk.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <future>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace lab = velnor::lab;
using Names = std::vector<std::string>;

namespace {

Names sorted(Names names) {
  std::sort(names.begin(), names.end());
  return names;
}

void appendName(void *context, const char *text) {
  static_cast<Names *>(context)->emplace_back(text);
}

// Names below a container through GetNetResource; nullopt-like failure is
// an empty list plus false.
bool libraryNames(const char *container, Names &names) {
  VELNIP_STRING_LIST list{&names, &appendName};
  return GetNetResource(container, &list) != 0;
}

bool programNames(const std::string &container, Names &names) {
  QStringList list;
  const bool listed = WSockUtils::EnumerateNetworkNames(QString::fromStdString(container), list);
  for (const QString &name : list)
    names.push_back(name.toStdString());
  return listed;
}

// Both ways must agree; returns the names, sorted.
Names namesBelow(const std::string &container) {
  Names fromLibrary, fromProgram;
  EXPECT_TRUE(libraryNames(container.c_str(), fromLibrary)) << container;
  EXPECT_TRUE(programNames(container, fromProgram)) << container;
  EXPECT_EQ(sorted(fromLibrary), sorted(fromProgram)) << container;
  return sorted(fromProgram);
}

struct Record {
  DWORD type, displayType, usage;
  std::string remoteName;
};

// The records below a container through CreateNetResourceList.
std::vector<Record> recordsBelow(DWORD type, const char *container) {
  NETRESOURCEA record = testsupport::containerRecord(container);
  uint32_t count = 0;
  void *buffer = nullptr;
  std::vector<Record> records;
  if (!CreateNetResourceList(type, &record, &count, &buffer)) {
    ADD_FAILURE() << "CreateNetResourceList " << container;
    return records;
  }
  for (uint32_t i = 0; i < count; ++i) {
    NETRESOURCEA r;
    std::memcpy(&r, static_cast<unsigned char *>(buffer) + i * sizeof r, sizeof r);
    records.push_back({r.dwType, r.dwDisplayType, r.dwUsage, r.lpRemoteName});
  }
  LocalFree(buffer);
  std::sort(records.begin(), records.end(),
            [](const Record &a, const Record &b) { return a.remoteName < b.remoteName; });
  return records;
}

std::string serverEntry(std::string_view name) {
  return "\\\\" + std::string(name);
}

Names shareEntries(const std::string &server, const lab::Server &s) {
  Names names;
  for (std::string_view share : s.shares)
    names.push_back(server + "\\" + std::string(share));
  return sorted(names);
}

class Browse : public ::testing::Test {
protected:
  void SetUp() override { lab::requireLab(); }
};

} // namespace

TEST_F(Browse, TopLevelListsTheWorkgroups) {
  const Names expected = sorted({std::string(lab::kWorkgroup1), std::string(lab::kWorkgroup2)});
  EXPECT_EQ(namesBelow(""), expected);
  Names fromNull;
  EXPECT_TRUE(libraryNames(nullptr, fromNull));
  EXPECT_EQ(sorted(fromNull), expected);
}

TEST_F(Browse, EachWorkgroupListsItsServers) {
  for (std::string_view workgroup : lab::kWorkgroups) {
    Names expected;
    for (const lab::Server &s : lab::kServers)
      if (s.workgroup == workgroup)
        expected.push_back(serverEntry(s.name));
    EXPECT_EQ(namesBelow(std::string(workgroup)), sorted(expected)) << workgroup;
  }
}

TEST_F(Browse, EachServerListsItsDiskSharesOnly) {
  for (const lab::Server &s : lab::kServers) {
    const std::string server = serverEntry(s.name);
    const Names shares = namesBelow(server);
    EXPECT_EQ(shares, shareEntries(server, s));
    for (std::string_view hidden :
         {lab::kHiddenShare, lab::kPrinterShare, lab::kUnlistedShare, std::string_view("IPC$")})
      EXPECT_EQ(std::count(shares.begin(), shares.end(), server + "\\" + std::string(hidden)), 0)
          << hidden << " on " << s.name;
  }
}

TEST_F(Browse, ShareEntriesStartWithTheServerEntryAsGiven) {
  const lab::Server &s = lab::kVlsrv2;
  std::string lower(s.name);
  std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
  for (const std::string &server : {serverEntry(lower), serverEntry(s.address)})
    EXPECT_EQ(namesBelow(server), shareEntries(server, s));
}

TEST_F(Browse, RecordsCarryTheirKinds) {
  for (const Record &r : recordsBelow(RESOURCETYPE_DISK, nullptr)) {
    EXPECT_EQ(r.displayType, static_cast<DWORD>(RESOURCEDISPLAYTYPE_DOMAIN)) << r.remoteName;
    EXPECT_EQ(r.usage, static_cast<DWORD>(RESOURCEUSAGE_CONTAINER));
  }
  for (const Record &r : recordsBelow(RESOURCETYPE_DISK, std::string(lab::kWorkgroup1).c_str())) {
    EXPECT_EQ(r.displayType, static_cast<DWORD>(RESOURCEDISPLAYTYPE_SERVER)) << r.remoteName;
    EXPECT_EQ(r.usage, static_cast<DWORD>(RESOURCEUSAGE_CONTAINER));
  }
  const std::string server = serverEntry(lab::kVlsrv1.name);
  for (const Record &r : recordsBelow(RESOURCETYPE_DISK, server.c_str())) {
    EXPECT_EQ(r.type, static_cast<DWORD>(RESOURCETYPE_DISK)) << r.remoteName;
    EXPECT_EQ(r.displayType, static_cast<DWORD>(RESOURCEDISPLAYTYPE_SHARE));
    EXPECT_EQ(r.usage, static_cast<DWORD>(RESOURCEUSAGE_CONNECTABLE));
  }
}

TEST_F(Browse, AnyTypeAddsThePrinterButNeverHiddenOrUnlistedShares) {
  const std::string server = serverEntry(lab::kVlsrv1.name);
  Names names;
  for (const Record &r : recordsBelow(RESOURCETYPE_ANY, server.c_str())) {
    names.push_back(r.remoteName);
    const bool printer = r.remoteName == server + "\\" + std::string(lab::kPrinterShare);
    EXPECT_EQ(r.type, static_cast<DWORD>(printer ? RESOURCETYPE_PRINT : RESOURCETYPE_DISK))
        << r.remoteName;
  }
  Names expected = shareEntries(server, lab::kVlsrv1);
  expected.push_back(server + "\\" + std::string(lab::kPrinterShare));
  EXPECT_EQ(names, sorted(expected));
}

TEST_F(Browse, UnknownContainersGiveFalse) {
  for (const std::string &container : {std::string("NOSUCHGRP"), std::string("\\\\NOSUCHHOST")}) {
    Names names;
    EXPECT_FALSE(libraryNames(container.c_str(), names)) << container;
    EXPECT_FALSE(programNames(container, names)) << container;
    EXPECT_TRUE(names.empty());

    NETRESOURCEA record{};
    record.dwUsage = RESOURCEUSAGE_CONTAINER;
    record.lpRemoteName = const_cast<LPSTR>(container.c_str());
    uint32_t count = 77;
    void *buffer = &count;
    EXPECT_FALSE(CreateNetResourceList(RESOURCETYPE_DISK, &record, &count, &buffer));
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(count, 0u);
  }
}

// A server that is switched off stalls its own listing only: another
// server's shares, asked meanwhile on another thread, come at their usual
// pace instead of after the dead one gives up.
TEST_F(Browse, ADeadServerDoesNotHoldUpAnotherServersShares) {
  using Clock = std::chrono::steady_clock;
  const std::string dead = serverEntry(lab::kNoHostAddress);
  const std::string live = serverEntry(lab::kVlsrv1.address);
  const Clock::time_point start = Clock::now();
  std::future<Clock::duration> deadListing = std::async(std::launch::async, [&] {
    Names names;
    EXPECT_FALSE(libraryNames(dead.c_str(), names));
    return Clock::now() - start;
  });
  // Long enough for the dead listing to be waiting on the network.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  const Clock::time_point liveStart = Clock::now();
  Names names;
  EXPECT_TRUE(libraryNames(live.c_str(), names));
  const Clock::duration liveTime = Clock::now() - liveStart;
  const Clock::duration deadTime = deadListing.get();
  EXPECT_EQ(sorted(names), shareEntries(live, lab::kVlsrv1));
  EXPECT_LT(liveTime, deadTime / 3)
      << "live " << std::chrono::duration<double>(liveTime).count() << " s, dead "
      << std::chrono::duration<double>(deadTime).count() << " s";
}

namespace {

// The platform's browse workers that are children of `parent`.
std::vector<pid_t> browseWorkersOf(pid_t parent) {
  std::vector<pid_t> workers;
  for (const auto &process : std::filesystem::directory_iterator("/proc")) {
    std::ifstream stat(process.path() / "stat");
    std::string line;
    if (!std::getline(stat, line))
      continue;
    // pid (comm) state ppid ...
    const size_t open = line.find('('), close = line.rfind(')');
    if (open == std::string::npos || close == std::string::npos)
      continue;
    std::istringstream rest(line.substr(close + 2));
    char state = 0;
    pid_t ppid = 0;
    rest >> state >> ppid;
    if (ppid == parent && line.substr(open + 1, close - open - 1) == "browse-worker" &&
        state != 'Z')
      workers.push_back(static_cast<pid_t>(std::stol(line)));
  }
  return workers;
}

} // namespace

// The listings run in worker processes: this one never loads libsmbclient.
TEST_F(Browse, TheCallingProcessNeverLoadsLibsmbclient) {
  Names names;
  ASSERT_TRUE(libraryNames(serverEntry(lab::kVlsrv1.name).c_str(), names));
  EXPECT_FALSE(browseWorkersOf(::getpid()).empty());
  std::ifstream maps("/proc/self/maps");
  const std::string all((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all.find("libsmbclient"), std::string::npos);
}

// A process that forks while another of its threads browses, as Python's
// multiprocessing may at any moment: whatever that thread held (the pool's
// and the discovery result's locks, libxml2's and libcurl's, a probe under
// way) is the parent's, and so are its workers, whose sockets the child
// inherits: were the child to ask them, the two would read each other's
// answers. Each child lists the top level and a server through workers of
// its own, within its own time limit, 100 times in a row.
TEST_F(Browse, AChildForkedWhileAThreadBrowsesListsOnItsOwn) {
  constexpr int kForks = 100;
  constexpr unsigned kChildLimitSeconds = 20;
  const lab::Server &s = lab::kVlsrv1;
  // By address: the child's own name lookup is not what this is about.
  const std::string server = serverEntry(s.address);
  const Names expected = shareEntries(server, s);
  std::atomic<bool> stop{false};
  std::thread browsing([&] {
    while (!stop) {
      Names names;
      libraryNames("", names);
      libraryNames(std::string(lab::kWorkgroup1).c_str(), names);
    }
  });
  int passed = 0;
  for (; passed < kForks; ++passed) {
    const int code = testsupport::runInChild([&] {
      ::alarm(kChildLimitSeconds);
      // Every tenth child probes for WS-Discovery too (its window is most
      // of a top-level listing's time); the others keep the test short.
      if (passed % 10 != 0)
        ::setenv("VELNOR_WSD", "0", 1);
      Names top, shares;
      const bool listed = libraryNames("", top) && libraryNames(server.c_str(), shares);
      return listed && std::count(top.begin(), top.end(), lab::kWorkgroup1) == 1 &&
                     sorted(shares) == expected && !browseWorkersOf(::getpid()).empty()
                 ? 0
                 : 1;
    });
    if (code != 0) {
      ADD_FAILURE() << "child " << passed << ": "
                    << (code == 128 + SIGALRM ? "still waiting after its time limit"
                                              : "exit code " + std::to_string(code));
      break;
    }
  }
  stop = true;
  browsing.join();
  EXPECT_EQ(passed, kForks);
}

#ifndef VELNOR_NO_ALLOCATION_HOOK
#include <boundary/AllocationFailure.h>

namespace {

// The lab server's address for its name, from the test's own thread; any
// other thread (the work ahead's) runs out of memory asking.
class ShortOfMemoryOffTheCallersThread final : public platform::ResolverBackend {
public:
  explicit ShortOfMemoryOffTheCallersThread(const lab::Server &server) : server_(server) {}

  std::optional<platform::HostEntry> byName(const std::string &name) override {
    if (std::this_thread::get_id() != caller_) {
      ++failed;
      testsupport::FailingAllocation failing(1);
      delete new int(0);
    }
    if (name != server_.name)
      return std::nullopt;
    in_addr address{};
    ::inet_pton(AF_INET, std::string(server_.address).c_str(), &address);
    return platform::HostEntry{name, {}, {address.s_addr}};
  }
  std::optional<platform::HostEntry> byAddress(uint32_t) override { return std::nullopt; }

  std::atomic<int> failed{0};

private:
  const lab::Server &server_;
  const std::thread::id caller_ = std::this_thread::get_id();
};

} // namespace

// A step the platform runs ahead fails for want of memory: the program's own
// call then does the step itself and gets what it gets without the work
// ahead, not the speculative step's failure.
TEST_F(Browse, AStepAheadThatRunsOutOfMemoryLeavesTheCallsResultAsItIs) {
  const lab::Server &s = lab::kVlsrv1;
  const std::string server = serverEntry(s.name);
  ShortOfMemoryOffTheCallersThread resolver(s);
  platform::setResolverBackend(&resolver);
  const auto walk = [&] {
    Names groups, computers, shares;
    EXPECT_TRUE(libraryNames("", groups));
    EXPECT_TRUE(libraryNames(std::string(s.workgroup).c_str(), computers));
    const bool listed = libraryNames(server.c_str(), shares);
    return std::pair(listed, sorted(shares));
  };
  std::pair<bool, Names> sequential;
  {
    testsupport::ScopedEnvironment off("VELNOR_WORKAHEAD", "0");
    sequential = walk();
  }
  // The server's step runs on a pool thread as soon as its workgroup is
  // listed; the program's call comes once it has failed.
  Names groups, computers, shares;
  ASSERT_TRUE(libraryNames("", groups));
  resolver.failed = 0;
  ASSERT_TRUE(libraryNames(std::string(s.workgroup).c_str(), computers));
  for (int i = 0; i < 500 && resolver.failed == 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_GT(resolver.failed, 0) << "no step ran ahead";
  const bool listed = libraryNames(server.c_str(), shares);
  platform::setResolverBackend(nullptr);
  EXPECT_EQ(sequential, std::pair(true, shareEntries(server, s)));
  EXPECT_EQ(std::pair(listed, sorted(shares)), sequential);
}
#endif
