// Network browsing against the lab's real Samba servers: the workgroups, the
// servers of each and the disk shares of each server, in the exact name
// forms, through the library's exports and the program's own utility.
#include "Lab.h"

#include <WSockUtils.h>
#include <support/ChildProcess.h>
#include <support/ContainerRecord.h>
#include <velnip.h>
#include <winnetwk.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
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

// A process that forks after browsing, as Python's multiprocessing does:
// the child lists through workers of its own, started on its first use,
// and the parent's go on working. Were the child to send its requests to
// the parent's workers, whose sockets it inherits, the two would read each
// other's answers.
TEST_F(Browse, AForkedChildListsThroughWorkersOfItsOwn) {
  const lab::Server &s = lab::kVlsrv2;
  const std::string server = serverEntry(s.name);
  const Names expected = shareEntries(server, s);
  const auto listsTheShares = [&] {
    Names names;
    return libraryNames(server.c_str(), names) && sorted(names) == expected;
  };
  ASSERT_TRUE(listsTheShares());
  ASSERT_TRUE(listsTheShares());
  const std::vector<pid_t> parentsWorkers = browseWorkersOf(::getpid());
  ASSERT_FALSE(parentsWorkers.empty());
  EXPECT_EQ(testsupport::runInChild(
                [&] { return listsTheShares() && !browseWorkersOf(::getpid()).empty() ? 0 : 1; }),
            0);
  EXPECT_TRUE(listsTheShares());
}
