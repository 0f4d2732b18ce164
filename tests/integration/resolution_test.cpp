// The name and address exports against the lab's servers, through the system
// resolver of the lab's client.
#include "Lab.h"

#include <platform/backends.h>
#include <velnip.h>
#include <winsock.h>

#include <gtest/gtest.h>

#include <string>

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
