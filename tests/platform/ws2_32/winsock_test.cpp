#include <platform/backends.h>
#include <support/ScriptedBackends.h>
#include <winsock.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

using testsupport::ScriptedNames;
using testsupport::ScriptedResolver;

namespace {

std::string dotted(const char *address) {
  struct in_addr value;
  std::memcpy(&value.s_addr, address, 4);
  return inet_ntoa(value);
}

class Started : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data_), 0); }
  void TearDown() override { WSACleanup(); }
  WSADATA data_{};
};

} // namespace

TEST(WinSockStartup, CountsStartsAndCleanups) {
  const int before = platform::winsockStartCount();
  WSADATA data;
  ASSERT_EQ(WSAStartup(257, &data), 0);
  EXPECT_EQ(data.wVersion, 257);
  ASSERT_EQ(WSAStartup(257, &data), 0);
  EXPECT_EQ(platform::winsockStartCount(), before + 2);
  EXPECT_EQ(WSACleanup(), 0);
  EXPECT_EQ(WSACleanup(), 0);
  EXPECT_EQ(platform::winsockStartCount(), before);
}

TEST(WinSockStartup, RejectsBadRequestsWithoutCounting) {
  WSADATA data;
  EXPECT_EQ(WSAStartup(MAKEWORD(1, 0), &data), WSAVERNOTSUPPORTED);
  EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), nullptr), WSAEFAULT);
  EXPECT_EQ(platform::winsockStartCount(), 0);
  EXPECT_EQ(WSACleanup(), -1);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
}

TEST(WinSockStartup, ResolverCallsFailUntilStarted) {
  ScriptedNames names("alpha", "user");
  ScriptedResolver resolver;
  resolver.addHost("alpha", {"10.0.0.1"});
  char name[64];
  EXPECT_EQ(gethostname(name, sizeof name), -1);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  EXPECT_EQ(gethostbyname("alpha"), nullptr);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  const ULONG a = inet_addr("10.0.0.1");
  EXPECT_EQ(gethostbyaddr(reinterpret_cast<const char *>(&a), 4, AF_INET), nullptr);
  EXPECT_EQ(resolver.nameQueries + resolver.addressQueries, 0);
}

TEST_F(Started, GethostbynameKeepsAddressOrder) {
  ScriptedResolver resolver;
  resolver.addHost("multi", {"10.0.0.1", "10.0.0.2", "10.0.0.3"}, {"m"});
  struct hostent *record = gethostbyname("multi");
  ASSERT_NE(record, nullptr);
  EXPECT_STREQ(record->h_name, "multi");
  EXPECT_EQ(record->h_addrtype, AF_INET);
  EXPECT_EQ(record->h_length, 4);
  ASSERT_NE(record->h_aliases[0], nullptr);
  EXPECT_STREQ(record->h_aliases[0], "m");
  EXPECT_EQ(record->h_aliases[1], nullptr);
  EXPECT_EQ(dotted(record->h_addr_list[0]), "10.0.0.1");
  EXPECT_EQ(dotted(record->h_addr_list[2]), "10.0.0.3");
  EXPECT_EQ(record->h_addr_list[3], nullptr);
}

TEST_F(Started, DottedNameIsItsOwnRecordWithoutLookup) {
  ScriptedResolver resolver;
  struct hostent *record = gethostbyname("192.168.5.7");
  ASSERT_NE(record, nullptr);
  EXPECT_STREQ(record->h_name, "192.168.5.7");
  EXPECT_EQ(dotted(record->h_addr_list[0]), "192.168.5.7");
  EXPECT_EQ(record->h_addr_list[1], nullptr);
  EXPECT_EQ(resolver.nameQueries, 0);
  // Not a dotted quad: the name service is asked, and fails here.
  EXPECT_EQ(gethostbyname("192.168.5.700"), nullptr);
  EXPECT_EQ(gethostbyname("1.2.3"), nullptr);
  EXPECT_EQ(resolver.nameQueries, 2);
}

TEST_F(Started, FailuresSetTheThreadError) {
  ScriptedResolver resolver;
  EXPECT_EQ(gethostbyname("nosuchhost"), nullptr);
  EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
  EXPECT_EQ(gethostbyname(std::string(300, 'a').c_str()), nullptr);
  EXPECT_EQ(gethostbyaddr(nullptr, 4, AF_INET), nullptr);
  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
  const ULONG a = inet_addr("10.0.0.9");
  EXPECT_EQ(gethostbyaddr(reinterpret_cast<const char *>(&a), 16, AF_INET), nullptr);
  EXPECT_EQ(gethostbyaddr(reinterpret_cast<const char *>(&a), 4, 23), nullptr);
}

TEST_F(Started, NoNameMeansThisComputer) {
  ScriptedNames names("alpha", "user");
  ScriptedResolver resolver;
  resolver.addHost("alpha", {"10.0.0.5"});
  for (const char *name : {static_cast<const char *>(nullptr), ""}) {
    struct hostent *record = gethostbyname(name);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(dotted(record->h_addr_list[0]), "10.0.0.5");
  }
}

TEST_F(Started, GethostnameChecksTheBufferSize) {
  ScriptedNames names("workstation", "user");
  char name[64];
  ASSERT_EQ(gethostname(name, sizeof name), 0);
  EXPECT_STREQ(name, "workstation");
  EXPECT_EQ(gethostname(name, 11), -1); // no room for the NUL
  EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
  EXPECT_EQ(gethostname(nullptr, 64), -1);
}

TEST_F(Started, ReverseLookupGivesTheRecordName) {
  ScriptedResolver resolver;
  resolver.addHost("beta", {"10.1.1.1"});
  const ULONG a = inet_addr("10.1.1.1");
  struct hostent *record = gethostbyaddr(reinterpret_cast<const char *>(&a), 4, AF_INET);
  ASSERT_NE(record, nullptr);
  EXPECT_STREQ(record->h_name, "beta");
}

TEST_F(Started, HostRecordsArePerThread) {
  ScriptedResolver resolver;
  resolver.addHost("one", {"10.0.0.1"});
  resolver.addHost("two", {"10.0.0.2"});
  struct hostent *mine = gethostbyname("one");
  ASSERT_NE(mine, nullptr);
  std::thread other([] { EXPECT_NE(gethostbyname("two"), nullptr); });
  other.join();
  EXPECT_STREQ(mine->h_name, "one");
  EXPECT_EQ(dotted(mine->h_addr_list[0]), "10.0.0.1");
}

TEST(InetConversions, ParsesTheClassicForms) {
  auto text = [](const char *cp) {
    struct in_addr value;
    value.s_addr = inet_addr(cp);
    return std::string(inet_ntoa(value));
  };
  const struct {
    const char *cp;
    const char *dotted;
  } forms[] = {
      {"10.77.0.11", "10.77.0.11"},
      {"0x0a.077.0.1", "10.63.0.1"},
      {"0XFF.0xfF.00.1", "255.255.0.1"},
      {"10.1", "10.0.0.1"},
      {"10.1.258", "10.1.1.2"},
      {"167772161", "10.0.0.1"},
      {"0x0A000001", "10.0.0.1"},
      {"012.0.0.1", "10.0.0.1"},
      {"10.77.0.11 ", "10.77.0.11"},
      {"10.1   ", "10.0.0.1"},
      {"0.0.0.0", "0.0.0.0"},
      {"0", "0.0.0.0"},
  };
  for (const auto &form : forms)
    EXPECT_EQ(text(form.cp), form.dotted) << '"' << form.cp << '"';
  for (const char *bad :
       {"",          " ",        " 1.2.3.4",  "1.2.3.4\t",  "1.2.3.4 x",   "1.2.3.",     ".1.2.3",
        "256.1.1.1", "1.256.1",  "1.2.65536", "1.16777216", "1.2.3.4.5",   "a.b.c.d",    "1..2.3",
        "08.1.1.1",  "1.2.3.4x", "0x",        "0x.1.1.1",   "99999999999", "4294967296", "+1.2.3.4",
        "1.-2.3.4"})
    EXPECT_EQ(inet_addr(bad), INADDR_NONE) << '"' << bad << '"';
  EXPECT_EQ(inet_addr(nullptr), INADDR_NONE);
  // The all-ones address reads as the value that also means "no address".
  EXPECT_EQ(inet_addr("255.255.255.255"), INADDR_NONE);
  EXPECT_EQ(inet_addr("4294967295"), INADDR_NONE);
}
