#include <platform/backends.h>
#include <support/ScriptedBackends.h>
#include <velnip.h>
#include <winsock.h>

#include <gtest/gtest.h>

#include <string>

using testsupport::ScriptedNames;
using testsupport::ScriptedResolver;

namespace {

// Every export must leave the WinSock start count as it found it, both when
// the caller holds no start of its own and when it does.
template <class Call> void expectBalancedStartCount(Call call) {
  const int before = platform::winsockStartCount();
  call();
  EXPECT_EQ(platform::winsockStartCount(), before);
}

} // namespace

TEST(IdentityExports, NamesComeFromThePlatform) {
  ScriptedNames names("desk7.lan", "alice");
  ASSERT_NE(GetComputerNameStr(), nullptr);
  EXPECT_STREQ(GetComputerNameStr(), "DESK7");
  ASSERT_NE(uGetUserName(), nullptr);
  EXPECT_STREQ(uGetUserName(), "alice");
}

TEST(IdentityExports, FailedNameQueriesGiveNull) {
  ScriptedNames names(std::nullopt, std::nullopt);
  EXPECT_EQ(GetComputerNameStr(), nullptr);
  EXPECT_EQ(uGetUserName(), nullptr);
}

TEST(IdentityExports, NamesLongerThanTheBufferGiveNull) {
  ScriptedNames names("pc", std::string(300, 'u'));
  EXPECT_EQ(uGetUserName(), nullptr);
}

TEST(LocalAddressExports, SeveralAddressesGiveLastAndFirst) {
  ScriptedNames names("desk7", "alice");
  ScriptedResolver resolver;
  resolver.addHost("desk7", {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
  expectBalancedStartCount([] { EXPECT_STREQ(LocalIP(), "10.0.0.3"); });
  const char *host = nullptr;
  const char *address = nullptr;
  expectBalancedStartCount([&] { EXPECT_TRUE(GetIPandHost(&host, &address)); });
  EXPECT_STREQ(host, "desk7");
  EXPECT_STREQ(address, "10.0.0.1");
}

TEST(LocalAddressExports, FailedLookupGivesEmptyTextNotNull) {
  ScriptedNames names("desk7", "alice");
  ScriptedResolver resolver; // knows no host
  const char *ip = nullptr;
  expectBalancedStartCount([&] { ip = LocalIP(); });
  ASSERT_NE(ip, nullptr);
  EXPECT_STREQ(ip, "");

  const char *host = nullptr;
  const char *address = nullptr;
  expectBalancedStartCount([&] { EXPECT_FALSE(GetIPandHost(&host, &address)); });
  EXPECT_STREQ(host, "desk7");
  ASSERT_NE(address, nullptr);
  EXPECT_STREQ(address, "");
}

TEST(LocalAddressExports, FailedHostNameQueryKeepsTheStartCount) {
  ScriptedNames names(std::nullopt, "alice");
  ScriptedResolver resolver;
  expectBalancedStartCount([] { EXPECT_STREQ(LocalIP(), ""); });
  const char *host = "untouched";
  const char *address = nullptr;
  expectBalancedStartCount([&] { EXPECT_FALSE(GetIPandHost(&host, &address)); });
  EXPECT_STREQ(host, "untouched");
  EXPECT_STREQ(address, "");
}

TEST(LocalAddressExports, NullArgumentsAreRefusedWithoutStartingWinSock) {
  const char *text = nullptr;
  expectBalancedStartCount([&] {
    EXPECT_FALSE(GetIPandHost(nullptr, &text));
    EXPECT_FALSE(GetIPandHost(&text, nullptr));
  });
  EXPECT_EQ(text, nullptr);
}

TEST(LocalAddressExports, CallerStartKeepsResultsReadable) {
  // With the caller's own start outstanding, the export's pair never ends the
  // last start, and its result stays readable until the next WinSock call.
  ScriptedNames names("desk7", "alice");
  ScriptedResolver resolver;
  resolver.addHost("desk7", {"10.9.8.7"});
  WSADATA data;
  ASSERT_EQ(WSAStartup(257, &data), 0);
  expectBalancedStartCount([] { EXPECT_STREQ(LocalIP(), "10.9.8.7"); });
  WSACleanup();
}
