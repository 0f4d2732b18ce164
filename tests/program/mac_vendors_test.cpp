#include "MacVendors.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

// Excerpts in the registry's own form: a heading row, quoted names with
// commas, an address that runs over a line break, and nested blocks: the
// MA-M and MA-S blocks lie inside the MA-L block the registry keeps for them.
const char kOui[] = "Registry,Assignment,Organization Name,Organization Address\r\n"
                    "MA-L,00000C,\"Cisco Systems, Inc\",170 WEST TASMAN DRIVE SAN JOSE\r\n"
                    "MA-L,70B3D5,IEEE Registration Authority,\"445 Hoes Lane\r\nPiscataway\"\r\n"
                    "MA-L,1234,Too Short,nowhere\r\n";
const char kMam[] = "Registry,Assignment,Organization Name,Organization Address\n"
                    "MA-M,70B3D5F,\"Block \"\"F\"\" Makers\",somewhere\n";
const char kOui36[] = "Registry,Assignment,Organization Name,Organization Address\n"
                      "MA-S,70B3D5F2F,TELEPLATFORMS,\"Polbina st., 3/1 Moscow\"\n";

struct Case {
  const char *mac;
  const char *vendor;
};

const Case kCases[] = {
    {"00-00-0C-12-34-56", "Cisco Systems, Inc"},
    {"00:00:0c:12:34:56", "Cisco Systems, Inc"},
    {"70-B3-D5-00-00-01", "IEEE Registration Authority"},
    {"70-B3-D5-F0-00-01", "Block \"F\" Makers"}, // 28 bits beat 24
    {"70-B3-D5-F2-FA-BC", "TELEPLATFORMS"},      // 36 bits beat 28
    {"00-00-12-34-00-00", ""},                   // "1234" is no 24-bit block
    {"AC-DE-48-00-00-01", ""},                   // a block the files do not list
    {"02-76-6C-00-00-0A", "locally administered address"},
    {"01-00-5E-00-00-FB", "multicast address"},
    {"03-00-00-00-00-01", "multicast address"}, // both bits: a group address
    {"", ""},
    {"00-00-0C-12-34", ""},
    {"00-00-0C-12-34-5G", ""},
    {"００-00-0C-12-34-56", ""}, // full-width digits are no hex digits
};

class MacVendorsTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    write("oui.csv", kOui);
    write("mam.csv", kMam);
    write("oui36.csv", kOui36);
  }
  void write(const char *name, const char *text) {
    QFile file(folder_.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }
  QTemporaryDir folder_;
};

TEST_F(MacVendorsTest, LongestAssignmentOrWhatTheAddressIs) {
  const MacVendors vendors(folder_.path());
  for (const Case &c : kCases)
    EXPECT_EQ(vendors.vendorOf(QString::fromUtf8(c.mac)).toStdString(), c.vendor) << c.mac;
}

// The registry Debian ships (ieee-data), which the test machines install.
TEST(systemMacVendors, KnowsAnOuiOfTheInstalledRegistry) {
  if (!QFileInfo::exists(QStringLiteral("/usr/share/ieee-data/oui.csv"))) {
    if (std::getenv("CI") && std::string(std::getenv("CI")) == "true")
      FAIL() << "ieee-data is not installed";
    GTEST_SKIP() << "ieee-data is not installed";
  }
  ASSERT_EQ(std::getenv("VELNOR_IEEE_DATA"), nullptr);
  EXPECT_EQ(systemMacVendors().vendorOf(QStringLiteral("00-00-0C-01-02-03")),
            QStringLiteral("Cisco Systems, Inc"));
}

} // namespace
