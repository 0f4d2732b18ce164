// Japanese share and server names and comments from the lab's VLSRV3, through
// the library's exports and the program's own utility, under a Japanese
// EUC-JP locale and under a UTF-8 one: ANSI text is the locale's.
#include "Lab.h"

#include <WSockUtils.h>
#include <support/ContainerRecord.h>
#include <support/GeneratedLocale.h>
#include <velnip.h>
#include <winnetwk.h>

#include <gtest/gtest.h>

#include <cstring>
#include <iconv.h>
#include <string>
#include <vector>

namespace lab = velnor::lab;

namespace {

// The EUC-JP form of UTF-8 text, from iconv itself rather than the library.
std::string eucJp(std::string_view utf8) {
  iconv_t converter = iconv_open("EUC-JP", "UTF-8");
  std::string out(utf8.size() * 2, '\0');
  char *in = const_cast<char *>(utf8.data());
  char *next = out.data();
  size_t inLeft = utf8.size(), room = out.size();
  iconv(converter, &in, &inLeft, &next, &room);
  iconv_close(converter);
  out.resize(out.size() - room);
  return out;
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
