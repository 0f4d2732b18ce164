// The name and address exports against the lab's servers, through the system
// resolver of the lab's client.
#include "Lab.h"

#include <platform/backends.h>
#include <support/ContainerRecord.h>
#include <support/ScopedEnvironment.h>
#include <velnip.h>
#include <winnetwk.h>
#include <winsock.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace lab = velnor::lab;

namespace {

class LabResolution : public ::testing::Test {
protected:
  void SetUp() override {
    lab::requireLab();
    startsBefore = platform::winsockStartCount();
  }
  void TearDown() override { EXPECT_EQ(platform::winsockStartCount(), startsBefore); }

  int startsBefore = 0;
};

std::string text(std::string_view view) {
  return std::string(view);
}

// VLSRV1's address also has a hosts-file name on the client, which a reverse
// lookup gives first; the other servers' addresses are known only to their
// owners, which answer a NetBIOS node status request with their names.
constexpr lab::Server kServersNamedByThemselves[] = {lab::kVlsrv2, lab::kVlsrv3};

} // namespace

TEST_F(LabResolution, ServerNameAndAddressGiveTheAddress) {
  for (const lab::Server &server : lab::kServers) {
    SCOPED_TRACE(text(server.name));
    EXPECT_EQ(GetIpAddressStr(text(server.name).c_str()), server.address);
    EXPECT_EQ(GetIpAddressStr(text(server.address).c_str()), server.address);
  }
  EXPECT_STREQ(GetIpAddressStr("nosuchhost"), "");
}

TEST_F(LabResolution, ServerAddressGivesItsNetbiosName) {
  for (const lab::Server &server : kServersNamedByThemselves) {
    const char *name = IPAddrToName(text(server.address).c_str());
    ASSERT_NE(name, nullptr) << server.address;
    EXPECT_STRCASEEQ(name, text(server.name).c_str());
  }
  EXPECT_EQ(IPAddrToName(text(lab::kNoHostAddress).c_str()), nullptr);
}

TEST_F(LabResolution, GetHostNamestrNeedsTheCallersStart) {
  const std::string address = text(lab::kVlsrv2.address);
  EXPECT_STREQ(GetHostNamestr(address.c_str()), "");
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
  EXPECT_STRCASEEQ(GetHostNamestr(address.c_str()), text(lab::kVlsrv2.name).c_str());
  WSACleanup();
}

namespace {

// The last error a caller set before its calls; none of them may touch it
// when it succeeds, whichever thread did the step.
constexpr DWORD kCallersOwn = 0x2323;

// What a caller sees of its own calls during a walk of the browse list made
// as the program's search makes it: the top level, a workgroup, a server's
// shares, then the server's address and a reverse lookup.
struct Seen {
  std::string hostName;
  DWORD errorAfterOpen = 0;
  DWORD errorAfterLookup = 0;
  DWORD errorAfterReverse = 0;

  bool operator==(const Seen &) const = default;
};

std::ostream &operator<<(std::ostream &out, const Seen &seen) {
  return out << "{h_name " << seen.hostName << ", last error after WNetOpenEnumA "
             << seen.errorAfterOpen << ", after gethostbyname " << seen.errorAfterLookup
             << ", after gethostbyaddr " << seen.errorAfterReverse << "}";
}

void appendName(void *context, const char *text) {
  static_cast<std::vector<std::string> *>(context)->emplace_back(text);
}

Seen duringAWalk(const std::string &spelling) {
  std::vector<std::string> names;
  VELNIP_STRING_LIST list{&names, &appendName};
  EXPECT_TRUE(GetNetResource("", &list));
  EXPECT_TRUE(GetNetResource(text(lab::kWorkgroup1).c_str(), &list));
  // As the program pumps messages between two calls: the work ahead's
  // threads have then run the server's steps.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  Seen seen;
  const std::string serverName = "\\\\" + spelling;
  NETRESOURCEA server = testsupport::containerRecord(serverName.c_str());
  HANDLE enumeration = nullptr;
  SetLastError(kCallersOwn);
  EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &server, &enumeration),
            static_cast<DWORD>(NO_ERROR));
  seen.errorAfterOpen = GetLastError();
  if (enumeration != nullptr)
    WNetCloseEnum(enumeration);
  WSADATA data;
  EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
  SetLastError(kCallersOwn);
  if (const hostent *host = gethostbyname(spelling.c_str()))
    seen.hostName = host->h_name;
  seen.errorAfterLookup = GetLastError();
  const uint32_t address = inet_addr(text(lab::kVlsrv2.address).c_str());
  SetLastError(kCallersOwn);
  EXPECT_NE(gethostbyaddr(reinterpret_cast<const char *>(&address), 4, AF_INET), nullptr);
  seen.errorAfterReverse = GetLastError();
  WSACleanup();
  return seen;
}

} // namespace

// The work ahead may answer a call from what a platform thread found, or
// the call does the step itself: what the caller sees is the same. A name
// found over NetBIOS comes back as the caller spelled it.
TEST_F(LabResolution, WhatACallGivesDoesNotDependOnTheWorkAhead) {
  for (const std::string &spelling : {text(lab::kVlsrv1.name), std::string("vlsrv1")}) {
    SCOPED_TRACE(spelling);
    Seen sequential;
    {
      testsupport::ScopedEnvironment off("VELNOR_WORKAHEAD", "0");
      sequential = duringAWalk(spelling);
    }
    EXPECT_EQ(sequential, (Seen{spelling, kCallersOwn, kCallersOwn, kCallersOwn}));
    EXPECT_EQ(duringAWalk(spelling), sequential);
  }
}
