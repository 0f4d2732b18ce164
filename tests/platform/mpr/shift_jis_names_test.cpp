// WNet container and entry names under a Shift_JIS locale, where the second
// byte of 表, ソ and 能 is 0x5C, the backslash's byte: names are split on
// characters, never inside one, and a network name that becomes a
// separator in Shift_JIS (the yen sign is 0x5C there) is not listed.
#include <support/ContainerRecord.h>
#include <support/GeneratedLocale.h>
#include <support/ScriptedBrowser.h>
#include <windows.h>
#include <winnetwk.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Kind = testsupport::ScriptedBrowser::Kind;
using Names = std::vector<std::string>;

// UTF-8 as the network sends it, and Shift_JIS as the caller has it.
const std::string kHyouUtf8 = "\xE8\xA1\xA8", kHyouSjis = "\x95\x5C"; // 表
const std::string kShiUtf8 = "\xE7\xA4\xBA", kShiSjis = "\x8E\xA6";   // 示
const std::string kSoUtf8 = "\xE3\x82\xBD", kSoSjis = "\x83\x5C";     // ソ
const std::string kNouUtf8 = "\xE8\x83\xBD", kNouSjis = "\x94\x5C";   // 能
const std::string kYenUtf8 = "\xC2\xA5";                              // ¥, 0x5C in Shift_JIS

struct Case {
  const char *what;
  std::string container; // Shift_JIS
  DWORD status;
  Names asked;  // what the backend was asked, in UTF-8
  Names listed; // remote names, in Shift_JIS
};

const Case cases[] = {
    {"workgroups at the top", "", NO_ERROR, {""}, {kHyouSjis, kSoSjis}},
    {"a workgroup whose name ends in 0x5C", kHyouSjis, NO_ERROR, {kHyouUtf8}, {"\\\\" + kNouSjis}},
    {"a server whose name ends in 0x5C",
     "\\\\" + kNouSjis,
     NO_ERROR,
     {"\\\\" + kNouUtf8},
     {"\\\\" + kNouSjis + "\\" + kHyouSjis + kShiSjis, "\\\\" + kNouSjis + "\\" + kSoSjis}},
    {"a share below such a server",
     "\\\\" + kNouSjis + "\\" + kHyouSjis + kShiSjis,
     ERROR_NOT_CONTAINER,
     {},
     {}},
    {"such a server with a separator after it",
     "\\\\" + kNouSjis + "\\",
     ERROR_BAD_NETPATH,
     {},
     {}},
    {"such a workgroup with a slash after it", kSoSjis + "/", ERROR_BAD_NETPATH, {}, {}},
    // 0x88 leads a character, but no character goes on with '/': the name
    // is no Shift_JIS, and the slash it would hide is not let through.
    {"a server whose broken character would hide a slash",
     "\\\\S\x88/x",
     ERROR_BAD_NETPATH,
     {},
     {}},
};

class ShiftJisNames : public ::testing::Test {
protected:
  void SetUp() override {
    if (!locale_.ok())
      GTEST_SKIP() << "localedef could not build ja_JP.SJIS";
    browser_.add("", Kind::Workgroup, kHyouUtf8)
        .add("", Kind::Workgroup, kSoUtf8)
        .add(kHyouUtf8, Kind::Computer, kNouUtf8)
        .add(kHyouUtf8, Kind::Computer, "A" + kYenUtf8 + "B")
        .add("\\\\" + kNouUtf8, Kind::FileShare, kHyouUtf8 + kShiUtf8)
        .add("\\\\" + kNouUtf8, Kind::FileShare, kSoUtf8)
        .add("\\\\" + kNouUtf8, Kind::FileShare, "a" + kYenUtf8 + "b");
  }

  testsupport::GeneratedLocale locale_{"ja_JP", "SHIFT_JIS", "SJIS"};
  testsupport::ScriptedBrowser browser_;
};

Names remoteNames(HANDLE handle) {
  Names names;
  std::vector<unsigned char> buffer(16384);
  DWORD count = 0xFFFFFFFF;
  DWORD size = static_cast<DWORD>(buffer.size());
  if (WNetEnumResourceA(handle, &count, buffer.data(), &size) != NO_ERROR)
    return names;
  for (DWORD i = 0; i < count; ++i) {
    NETRESOURCEA r;
    std::memcpy(&r, buffer.data() + i * sizeof r, sizeof r);
    names.emplace_back(r.lpRemoteName);
  }
  return names;
}

TEST_F(ShiftJisNames, AreSplitOnCharactersNotBytes) {
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    browser_.asked.clear();
    NETRESOURCEA record = testsupport::containerRecord(c.container.c_str());
    HANDLE handle = nullptr;
    ASSERT_EQ(WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_ANY, 0, &record, &handle), c.status);
    EXPECT_EQ(browser_.asked, c.asked);
    if (handle == nullptr)
      continue;
    EXPECT_EQ(remoteNames(handle), c.listed);
    WNetCloseEnum(handle);
  }
}

} // namespace
