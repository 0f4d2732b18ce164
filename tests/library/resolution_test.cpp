#include <platform/backends.h>
#include <support/ScriptedBackends.h>
#include <velnip.h>
#include <winsock.h>

#include <gtest/gtest.h>

#include <initializer_list>

using testsupport::ScriptedNames;
using testsupport::ScriptedResolver;

namespace {

using Export = const char *(VELNIP_CALL *)(const char *);

struct Lookup {
  const char *call;
  Export function;
  const char *argument;
  const char *expected; // nullptr: the export must return NULL
};

// Runs each lookup and checks its result, and that it left the WinSock start
// count as it found it.
void expectResults(std::initializer_list<Lookup> lookups) {
  for (const Lookup &lookup : lookups) {
    SCOPED_TRACE(testing::Message()
                 << lookup.call << "(" << (lookup.argument ? lookup.argument : "NULL") << ")");
    const int before = platform::winsockStartCount();
    const char *result = lookup.function(lookup.argument);
    EXPECT_EQ(platform::winsockStartCount(), before);
    if (lookup.expected == nullptr) {
      EXPECT_EQ(result, nullptr);
    } else {
      ASSERT_NE(result, nullptr);
      EXPECT_STREQ(result, lookup.expected);
    }
  }
}

// The caller's own WinSock start, for GetHostNamestr.
class CallerStart {
public:
  CallerStart() { EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), &data_), 0); }
  ~CallerStart() { WSACleanup(); }

private:
  WSADATA data_{};
};

// "multi" has three addresses, "single" one. This computer is "thispc", so an
// export that passed a missing name on to gethostbyname would answer with
// 10.0.9.9 instead of failing.
class ResolutionExports : public ::testing::Test {
protected:
  void SetUp() override {
    resolver.addHost("multi", {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
    resolver.addHost("single", {"10.0.1.5"});
    resolver.addHost("thispc", {"10.0.9.9"});
    ASSERT_EQ(platform::winsockStartCount(), 0);
  }

  ScriptedNames names{"thispc", "alice"};
  ScriptedResolver resolver;
};

} // namespace

TEST_F(ResolutionExports, AnswerWithTheirOwnStart) {
  expectResults({
      {"GetIpAddress", GetIpAddress, "multi", "10.0.0.1"},
      {"GetIpAddressStr", GetIpAddressStr, "multi", "10.0.0.1"},
      {"GetIPFromHost", GetIPFromHost, "multi", "10.0.0.3"},
      {"GetIPFromHost", GetIPFromHost, "single", "10.0.1.5"},
      {"GetIpAddressStr", GetIpAddressStr, "10.0.1.5", "10.0.1.5"},
      // Not a name the resolver knows: read as an address, found in reverse.
      {"GetIpAddressStr", GetIpAddressStr, "10.0.261", "10.0.1.5"},
      {"IPAddrToName", IPAddrToName, "10.0.0.3", "multi"},
      {"IPAddrToName", IPAddrToName, "0x0a.0.1.5", "single"},
      {"Getipadress", Getipadress, "multi", "multi"},
      {"Getipadress", Getipadress, "10.0.1.5", "10.0.1.5"},
      {"Getipadress", Getipadress, "10.0.0.2", "10.0.0.1"}, // the record's first
  });
}

TEST_F(ResolutionExports, FailuresGiveTheirFailureForm) {
  CallerStart start; // so that GetHostNamestr can fail for its own reasons
  expectResults({
      // A name that does not resolve.
      {"GetIpAddress", GetIpAddress, "nosuch", ""},
      {"GetIpAddressStr", GetIpAddressStr, "nosuch", ""},
      {"GetIPFromHost", GetIPFromHost, "nosuch", ""},
      {"IPAddrToName", IPAddrToName, "nosuch", nullptr},
      {"GetHostNamestr", GetHostNamestr, "nosuch", ""},
      {"Getipadress", Getipadress, "nosuch", ""},
      // An address without a reverse entry.
      {"GetIpAddressStr", GetIpAddressStr, "10.0.261.1", ""},
      {"GetIpAddressStr", GetIpAddressStr, "10.2.261", ""},
      {"IPAddrToName", IPAddrToName, "10.0.7.7", nullptr},
      {"GetHostNamestr", GetHostNamestr, "10.0.7.7", ""},
      {"Getipadress", Getipadress, "10.0.7.7", ""},
  });
}

TEST_F(ResolutionExports, MissingArgumentsAskNothing) {
  CallerStart start;
  expectResults({
      {"GetIpAddress", GetIpAddress, nullptr, ""},
      {"GetIpAddressStr", GetIpAddressStr, nullptr, ""},
      {"GetIPFromHost", GetIPFromHost, nullptr, ""},
      {"IPAddrToName", IPAddrToName, nullptr, nullptr},
      {"GetHostNamestr", GetHostNamestr, nullptr, ""},
      {"Getipadress", Getipadress, nullptr, ""},
      {"GetIpAddress", GetIpAddress, "", ""},
      {"GetIpAddressStr", GetIpAddressStr, "", ""},
      {"GetIPFromHost", GetIPFromHost, "", ""},
      {"IPAddrToName", IPAddrToName, "", nullptr},
      {"GetHostNamestr", GetHostNamestr, "", ""},
      {"Getipadress", Getipadress, "", ""},
      // inet_addr's no-address value is never looked up in reverse.
      {"IPAddrToName", IPAddrToName, "255.255.255.255", nullptr},
      {"GetHostNamestr", GetHostNamestr, "not an address", ""},
  });
  EXPECT_EQ(resolver.nameQueries, 0);
  EXPECT_EQ(resolver.addressQueries, 0);
}

TEST_F(ResolutionExports, GetHostNamestrRunsOnTheCallersStart) {
  expectResults({{"GetHostNamestr", GetHostNamestr, "10.0.1.5", ""}});
  EXPECT_EQ(resolver.addressQueries, 0);
  CallerStart start;
  expectResults({{"GetHostNamestr", GetHostNamestr, "10.0.1.5", "single"}});
}
