// The identity exports on a machine whose host name has the 64 characters
// Linux allows. The name is set in a UTS namespace of a child of its own, and
// a network namespace of its own keeps the name lookups it makes on loopback.
#include <support/ChildProcess.h>

#include <velnip.h>

#include <gtest/gtest.h>

#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

using testsupport::runInChild;
using testsupport::underCi;

namespace {

constexpr int kCannotSetUp = 77;

int expectText(const char *what, const char *actual, const std::string &expected) {
  if (actual != nullptr && expected == actual)
    return 0;
  std::fprintf(stderr, "%s: \"%s\", expected \"%s\"\n", what, actual ? actual : "(null)",
               expected.c_str());
  return 1;
}

} // namespace

TEST(LongHostName, SixtyFourCharactersWorkEverywhere) {
  if (::geteuid() != 0 && !underCi())
    GTEST_SKIP() << "needs root to set the host name in a UTS namespace";
  const std::string hostName = "velnor-uts-test-machine." + std::string(39, 'x') + "z";
  ASSERT_EQ(hostName.size(), 64u);
  const int code = runInChild([&] {
    if (::unshare(CLONE_NEWUTS | CLONE_NEWNET) != 0 ||
        ::sethostname(hostName.c_str(), hostName.size()) != 0)
      return kCannotSetUp;
    // The NetBIOS computer name: the first label, upper-case, 15 characters.
    int failures = expectText("GetComputerNameStr", GetComputerNameStr(), "VELNOR-UTS-TEST");
    const char *host = nullptr;
    const char *address = nullptr;
    if (!GetIPandHost(&host, &address)) {
      std::fprintf(stderr, "GetIPandHost failed\n");
      ++failures;
    }
    failures += expectText("GetIPandHost's name", host, hostName);
    // A namespace without adapters: the name leads to loopback.
    failures += expectText("GetIPandHost's address", address, "127.0.0.1");
    failures += expectText("LocalIP", LocalIP(), "127.0.0.1");
    return failures;
  });
  if (code == kCannotSetUp && !underCi())
    GTEST_SKIP() << "cannot make UTS and network namespaces here";
  EXPECT_EQ(code, 0);
}
