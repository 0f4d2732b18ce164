// WNet container names under a Shift_JIS locale, where the second byte of
// 能 and ソ is 0x5C, the backslash's byte, and a broken character (a lead
// byte that no character goes on with) could take the next byte along: a
// name is split on characters, never inside one, and a separator it would
// hide is not let through to the network.
#include <support/ContainerRecord.h>
#include <support/GeneratedLocale.h>
#include <support/ScriptedBrowser.h>
#include <windows.h>
#include <winnetwk.h>

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kNouSjis = "\x94\x5C"; // 能
const std::string kSoSjis = "\x83\x5C";  // ソ
const std::string kShiSjis = "\x8E\xA6"; // 示

TEST(ShiftJisNames, ContainersAreSplitOnCharactersNotBytes) {
  testsupport::GeneratedLocale locale("ja_JP", "SHIFT_JIS", "SJIS");
  if (!locale.ok())
    GTEST_SKIP() << "localedef could not build ja_JP.SJIS";
  testsupport::ScriptedBrowser browser;
  const struct {
    const char *what;
    std::string container;
    DWORD status;
  } cases[] = {
      {"a share below a server whose name ends in 0x5C",
       "\\\\" + kNouSjis + "\\" + kSoSjis + kShiSjis, ERROR_NOT_CONTAINER},
      {"such a server with a separator after it", "\\\\" + kNouSjis + "\\", ERROR_BAD_NETPATH},
      {"a workgroup ending in 0x5C with a slash after it", kSoSjis + "/", ERROR_BAD_NETPATH},
      {"a server whose broken character would hide a slash", "\\\\S\x88/x", ERROR_BAD_NETPATH},
  };
  for (const auto &c : cases) {
    NETRESOURCEA record = testsupport::containerRecord(c.container.c_str());
    HANDLE handle = nullptr;
    EXPECT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, &record, &handle), c.status)
        << c.what;
    if (handle != nullptr)
      WNetCloseEnum(handle);
  }
  EXPECT_TRUE(browser.asked.empty()) << "nothing of these goes to the network";
}

} // namespace
