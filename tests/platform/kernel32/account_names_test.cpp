#include <support/ScriptedBackends.h>
#include <windows.h>

#include <gtest/gtest.h>

using testsupport::ScriptedNames;

TEST(GetComputerNameA, GivesTheNetbiosFormOfTheHostName) {
  ScriptedNames names("workstation-with-a-long-name.example.org", "alice");
  char buffer[32];
  DWORD size = sizeof buffer;
  ASSERT_TRUE(GetComputerNameA(buffer, &size));
  EXPECT_STREQ(buffer, "WORKSTATION-WIT");
  EXPECT_EQ(size, 15u);
}

TEST(GetComputerNameA, ReportsTheSizeNeededWhenTheBufferIsShort) {
  ScriptedNames names("pc7", "alice");
  char buffer[3] = {'x', 'x', 'x'};
  DWORD size = sizeof buffer;
  EXPECT_FALSE(GetComputerNameA(buffer, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BUFFER_OVERFLOW));
  EXPECT_EQ(size, 4u);
  EXPECT_EQ(buffer[0], 'x');
}

TEST(GetUserNameA, CountsTheTerminatorAndReportsShortBuffers) {
  ScriptedNames names("pc7", "alice");
  char buffer[16];
  DWORD size = sizeof buffer;
  ASSERT_TRUE(GetUserNameA(buffer, &size));
  EXPECT_STREQ(buffer, "alice");
  EXPECT_EQ(size, 6u);
  size = 5;
  EXPECT_FALSE(GetUserNameA(buffer, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 6u);
}

TEST(AccountNames, NullArgumentsAndFailedQueriesGiveFalse) {
  {
    ScriptedNames names("pc7", "alice");
    DWORD size = 16;
    EXPECT_FALSE(GetComputerNameA(nullptr, &size));
    char buffer[16];
    EXPECT_FALSE(GetUserNameA(buffer, nullptr));
  }
  ScriptedNames broken(std::nullopt, std::nullopt);
  char buffer[16];
  DWORD size = sizeof buffer;
  EXPECT_FALSE(GetComputerNameA(buffer, &size));
  size = sizeof buffer;
  EXPECT_FALSE(GetUserNameA(buffer, &size));
}

TEST(AccountNames, SystemBackendsAnswer) {
  char buffer[256];
  DWORD size = sizeof buffer;
  EXPECT_TRUE(GetUserNameA(buffer, &size));
  EXPECT_GT(size, 1u);
  size = sizeof buffer;
  EXPECT_TRUE(GetComputerNameA(buffer, &size));
  EXPECT_LE(size, 15u);
}
