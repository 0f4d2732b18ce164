// Local identity and name resolution through the system backends, inside the
// lab's client (host name vlclient; the hosts file names only the client and
// one extra name of VLSRV1, so the servers resolve over NetBIOS; DNS fails at
// once).
#include "Lab.h"

#include <platform/backends.h>
#include <velnip.h>
#include <winsock.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>

namespace lab = velnor::lab;

namespace {

class LabIdentity : public ::testing::Test {
protected:
  void SetUp() override { lab::requireLab(); }
};

std::string dotted(const char *address) {
  struct in_addr value;
  std::memcpy(&value.s_addr, address, 4);
  return inet_ntoa(value);
}

} // namespace

TEST_F(LabIdentity, IdentityExportsDescribeTheClient) {
  const int before = platform::winsockStartCount();
  ASSERT_NE(GetComputerNameStr(), nullptr);
  EXPECT_EQ(std::string(GetComputerNameStr()), lab::kClientName);
  EXPECT_EQ(std::string(LocalIP()), lab::kClientAddress);
  const char *host = nullptr;
  const char *address = nullptr;
  ASSERT_TRUE(GetIPandHost(&host, &address));
  EXPECT_STREQ(host, "vlclient");
  EXPECT_EQ(std::string(address), lab::kClientAddress);
  ASSERT_NE(uGetUserName(), nullptr);
  EXPECT_STREQ(uGetUserName(), "root");
  EXPECT_EQ(platform::winsockStartCount(), before);
}

TEST_F(LabIdentity, ResolverFindsLabHostsBothWays) {
  WSADATA data;
  ASSERT_EQ(WSAStartup(257, &data), 0);
  for (const lab::Server &server : lab::kServers) {
    struct hostent *record = gethostbyname(std::string(server.name).c_str());
    ASSERT_NE(record, nullptr) << server.name;
    EXPECT_EQ(dotted(record->h_addr_list[0]), server.address);
    const ULONG address = inet_addr(std::string(server.address).c_str());
    record = gethostbyaddr(reinterpret_cast<const char *>(&address), 4, AF_INET);
    ASSERT_NE(record, nullptr) << server.address;
    // VLSRV1's address has a hosts-file name of its own on the client.
    if (server.name != "VLSRV1") {
      EXPECT_STRCASEEQ(record->h_name, std::string(server.name).c_str());
    }
  }
  WSACleanup();
}

TEST_F(LabIdentity, UnknownNameFailsPromptly) {
  WSADATA data;
  ASSERT_EQ(WSAStartup(257, &data), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(gethostbyname("nosuchhost"), nullptr);
  EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  WSACleanup();
}
