// ANSI text under a Japanese EUC-JP locale: WNet results and arguments, the
// host record and the code page calls convert between UTF-8 and EUC-JP.
#include <platform/backends.h>
#include <support/ContainerRecord.h>
#include <support/GeneratedLocale.h>
#include <support/LastError.h>
#include <support/ScriptedBrowser.h>
#include <windows.h>
#include <winnetwk.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Kind = testsupport::ScriptedBrowser::Kind;

// 共有資料 and 部署 in both forms; 한 (Hangul) has no EUC-JP form.
const std::string kShareUtf8 = "\xE5\x85\xB1\xE6\x9C\x89\xE8\xB3\x87\xE6\x96\x99";
const std::string kShareEuc = "\xB6\xA6\xCD\xAD\xBB\xF1\xCE\xC1";
const std::string kServerUtf8 = "\xE9\x83\xA8\xE7\xBD\xB2";
const std::string kServerEuc = "\xC9\xF4\xBD\xF0";
const std::string kHangulUtf8 = "\xED\x95\x9C";

struct Listed {
  std::string remoteName;
  std::string comment;
};

std::vector<Listed> listBelow(const std::string &container) {
  NETRESOURCEA record = testsupport::containerRecord(container.c_str());
  HANDLE handle = nullptr;
  std::vector<Listed> listed;
  if (WNetOpenEnumA(RESOURCE_GLOBALNET, RESOURCETYPE_DISK, 0, &record, &handle) != NO_ERROR)
    return listed;
  std::vector<unsigned char> buffer(16384);
  DWORD count = 0xFFFFFFFF;
  DWORD size = static_cast<DWORD>(buffer.size());
  if (WNetEnumResourceA(handle, &count, buffer.data(), &size) == NO_ERROR) {
    for (DWORD i = 0; i < count; ++i) {
      NETRESOURCEA r;
      std::memcpy(&r, buffer.data() + i * sizeof r, sizeof r);
      listed.push_back({r.lpRemoteName, r.lpComment != nullptr ? r.lpComment : ""});
    }
  }
  WNetCloseEnum(handle);
  return listed;
}

class AnsiText : public ::testing::Test {
protected:
  void SetUp() override {
    if (!locale_.ok())
      GTEST_SKIP() << "localedef could not build ja_JP.eucJP";
  }
  testsupport::GeneratedLocale locale_{"ja_JP", "EUC-JP", "eucJP"};
};

} // namespace

TEST_F(AnsiText, WNetTakesAndGivesTheLocalesCharacterSet) {
  testsupport::ScriptedBrowser browser;
  browser.add("\\\\" + kServerUtf8, Kind::FileShare, kShareUtf8, kShareUtf8 + kHangulUtf8);
  const std::vector<Listed> listed = listBelow("\\\\" + kServerEuc);
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].remoteName, "\\\\" + kServerEuc + "\\" + kShareEuc);
  EXPECT_EQ(listed[0].comment, kShareEuc + "?");
  EXPECT_EQ(browser.asked, std::vector<std::string>{"\\\\" + kServerUtf8});
}

TEST_F(AnsiText, CodePageCallsConvertBothWays) {
  const std::u16string wide = u"共有資料";
  char bytes[32] = {};
  const int written =
      WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, bytes, sizeof bytes, nullptr, nullptr);
  EXPECT_EQ(written, static_cast<int>(kShareEuc.size() + 1));
  EXPECT_EQ(std::string(bytes), kShareEuc);

  char16_t back[16] = {};
  EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, kShareEuc.c_str(), -1, back, 16), 5);
  EXPECT_EQ(std::u16string(back), wide);
  // UTF-8 stays UTF-8 whatever the locale.
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, kShareUtf8.c_str(), -1, back, 16), 5);
  EXPECT_EQ(std::u16string(back), wide);

  const std::u16string unrepresentable = u"資料한";
  std::memset(bytes, 0, sizeof bytes);
  WideCharToMultiByte(CP_ACP, 0, unrepresentable.c_str(), -1, bytes, sizeof bytes, nullptr,
                      nullptr);
  EXPECT_EQ(std::string(bytes), "\xBB\xF1\xCE\xC1?");
}

TEST(CodePages, SizesAndRefusalsAsOnWindows) {
  const char text[] = "abc";
  char16_t out[8];
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), 4); // with the NUL
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, 3, nullptr, 0), 3);
  SetLastError(testsupport::kUntouchedLastError);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, out, 2), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  SetLastError(testsupport::kUntouchedLastError);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, out, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  // Malformed UTF-8 and a lone surrogate give the replacement character.
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xC3", 2, out, 8), 2);
  EXPECT_EQ(out[1], u'\xFFFD');
  const char16_t lone[] = {0xD800, u'b', 0};
  char bytes[8] = {};
  EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, lone, -1, bytes, sizeof bytes, nullptr, nullptr), 5);
  EXPECT_EQ(std::string(bytes), "\xEF\xBF\xBD"
                                "b");
}
