// Japanese share and server names and comments from the lab's VLSRV3, through
// the library's exports and the program's own utility, under a Japanese
// EUC-JP locale and under a UTF-8 one: ANSI text is the locale's. Under a
// Shift_JIS locale, a server name whose second byte is the backslash's.
#include "Lab.h"

#include <WSockUtils.h>
#include <support/ChildProcess.h>
#include <support/ContainerRecord.h>
#include <support/GeneratedLocale.h>
#include <velnip.h>
#include <winnetwk.h>

#include <gtest/gtest.h>

#include <sched.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iconv.h>
#include <iterator>
#include <string>
#include <vector>

namespace lab = velnor::lab;

namespace {

// The form of UTF-8 text in a character set, from iconv itself rather than
// the library.
std::string inCharset(const char *charset, std::string_view utf8) {
  iconv_t converter = iconv_open(charset, "UTF-8");
  std::string out(utf8.size() * 2, '\0');
  char *in = const_cast<char *>(utf8.data());
  char *next = out.data();
  size_t inLeft = utf8.size(), room = out.size();
  iconv(converter, &in, &inLeft, &next, &room);
  iconv_close(converter);
  out.resize(out.size() - room);
  return out;
}

std::string eucJp(std::string_view utf8) {
  return inCharset("EUC-JP", utf8);
}

std::string shiftJis(std::string_view utf8) {
  return inCharset("SHIFT_JIS", utf8);
}

struct Listed {
  std::string remoteName;
  std::string comment;
};

// The records below a container through CreateNetResourceList.
std::vector<Listed> recordsBelow(const std::string &container) {
  NETRESOURCEA record = testsupport::containerRecord(container.c_str());
  uint32_t count = 0;
  void *buffer = nullptr;
  std::vector<Listed> listed;
  if (!CreateNetResourceList(RESOURCETYPE_DISK, &record, &count, &buffer)) {
    ADD_FAILURE() << "CreateNetResourceList " << container;
    return listed;
  }
  for (uint32_t i = 0; i < count; ++i) {
    NETRESOURCEA r;
    std::memcpy(&r, static_cast<unsigned char *>(buffer) + i * sizeof r, sizeof r);
    listed.push_back({r.lpRemoteName, r.lpComment != nullptr ? r.lpComment : ""});
  }
  LocalFree(buffer);
  return listed;
}

std::string commentOf(const std::vector<Listed> &listed, const std::string &remoteName) {
  for (const Listed &entry : listed)
    if (entry.remoteName == remoteName)
      return entry.comment;
  return "(not listed: " + remoteName + ")";
}

// Checks VLSRV3's Japanese names in the form encode() gives them.
template <class Encode> void expectJapaneseNames(Encode encode) {
  const std::string server = "\\\\" + std::string(lab::kVlsrv3.name);
  const std::string share = server + "\\" + encode(lab::kJapaneseShare);
  EXPECT_EQ(commentOf(recordsBelow(server), share), encode(lab::kJapaneseShareComment));
  EXPECT_EQ(commentOf(recordsBelow(std::string(lab::kVlsrv3.workgroup)), server),
            encode(lab::kJapaneseServerComment));

  QStringList names;
  EXPECT_TRUE(WSockUtils::EnumerateNetworkNames(QString::fromStdString(server), names));
  const QString shown = QString::fromStdString(server) + "\\" +
                        QString::fromUtf8(lab::kJapaneseShare.data(),
                                          static_cast<qsizetype>(lab::kJapaneseShare.size()));
  EXPECT_TRUE(names.contains(shown)) << names.join(" ").toStdString();
}

class JapaneseNames : public ::testing::Test {
protected:
  void SetUp() override { lab::requireLab(); }
};

} // namespace

TEST_F(JapaneseNames, ComeInEucJpUnderAnEucJpLocale) {
  testsupport::GeneratedLocale japanese("ja_JP", "EUC-JP", "eucJP");
  ASSERT_TRUE(japanese.ok());
  // 共有資料 in EUC-JP, as the exports must hand it out.
  ASSERT_EQ(eucJp(lab::kJapaneseShare), "\xB6\xA6\xCD\xAD\xBB\xF1\xCE\xC1");
  expectJapaneseNames(eucJp);
}

TEST_F(JapaneseNames, ComeInUtf8UnderAUtf8Locale) {
  testsupport::GeneratedLocale japanese("ja_JP");
  ASSERT_TRUE(japanese.ok());
  expectJapaneseNames([](std::string_view utf8) { return std::string(utf8); });
}

// In a forked child: /etc/hosts with one more line, for this process only
// (a mount namespace of its own), so that no other test sees the name.
bool withHostsLine(const std::string &line) {
  std::ifstream in("/etc/hosts", std::ios::binary);
  const std::string hosts((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  char file[] = "/tmp/velnor-hosts-XXXXXX";
  const int fd = ::mkstemp(file);
  if (fd < 0)
    return false;
  const std::string text = hosts + "\n" + line + "\n";
  const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ::close(fd);
  const bool mounted = written && ::unshare(CLONE_NEWNS) == 0 &&
                       ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                       ::mount(file, "/etc/hosts", nullptr, MS_BIND, nullptr) == 0;
  ::unlink(file);
  return mounted;
}

// 表 is 0x95 0x5C in Shift_JIS. The lab's VLSRV3, reached by that name
// (the hosts file gives it), lists its shares below "\\\\表" as given,
// with its Japanese share name in Shift_JIS.
TEST_F(JapaneseNames, AServerNameEndingIn0x5CIsOneNameUnderShiftJis) {
  testsupport::GeneratedLocale japanese("ja_JP", "SHIFT_JIS", "SJIS");
  ASSERT_TRUE(japanese.ok());
  const std::string name = "\xE8\xA1\xA8"; // 表
  ASSERT_EQ(shiftJis(name), "\x95\x5C");
  const std::string server = "\\\\" + shiftJis(name);
  std::vector<std::string> expected;
  for (std::string_view share : lab::kVlsrv3.shares)
    expected.push_back(server + "\\" + shiftJis(share));
  std::sort(expected.begin(), expected.end());
  const int code = testsupport::runInChild([&] {
    if (!withHostsLine(std::string(lab::kVlsrv3.address) + " " + name)) {
      std::fprintf(stderr, "cannot give VLSRV3 a second name in /etc/hosts\n");
      return 2;
    }
    std::vector<std::string> listed;
    for (const Listed &entry : recordsBelow(server))
      listed.push_back(entry.remoteName);
    std::sort(listed.begin(), listed.end());
    if (listed == expected)
      return 0;
    for (const std::string &remoteName : listed)
      std::fprintf(stderr, "listed: %s\n", remoteName.c_str());
    return 1;
  });
  EXPECT_EQ(code, 0);
}
