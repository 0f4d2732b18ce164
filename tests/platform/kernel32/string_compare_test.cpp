#include <support/GeneratedLocale.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<std::string> sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
    return lstrcmpA(a.c_str(), b.c_str()) < 0;
  });
  return names;
}

} // namespace

TEST(lstrcmpA, NullSortsFirstAndEqualIsZero) {
  EXPECT_EQ(lstrcmpA(nullptr, nullptr), 0);
  EXPECT_LT(lstrcmpA(nullptr, ""), 0);
  EXPECT_GT(lstrcmpA("", nullptr), 0);
  EXPECT_EQ(lstrcmpA("PC1", "PC1"), 0);
}

TEST(lstrcmpA, FollowsTheUserCollation) {
  testsupport::GeneratedLocale english("en_US");
  ASSERT_TRUE(english.ok()) << "localedef could not build en_US.UTF-8 (package locales)";
  // Dictionary order with lower case before upper case, unlike byte order.
  EXPECT_EQ(sorted({"beta", "Alpha", "alpha", "Beta", "gamma"}),
            (std::vector<std::string>{"alpha", "Alpha", "beta", "Beta", "gamma"}));
  EXPECT_LT(lstrcmpA("a", "B"), 0);
  EXPECT_NE(lstrcmpA("a", "A"), 0) << "the comparison is case-sensitive";
}

TEST(lstrcmpA, ByteOrderInTheCLocale) {
  const char *saved = std::getenv("LC_ALL");
  const std::string old = saved ? saved : "";
  ::setenv("LC_ALL", "C", 1);
  EXPECT_GT(lstrcmpA("a", "B"), 0);
  EXPECT_LT(lstrcmpA("PC10", "PC2"), 0);
  if (saved)
    ::setenv("LC_ALL", old.c_str(), 1);
  else
    ::unsetenv("LC_ALL");
}
