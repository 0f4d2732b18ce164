#include "WSockUtils.h"

#include <platform/backends.h>
#include <support/ScriptedBackends.h>
#include <support/ScriptedBrowser.h>
#include <winnetwk.h>

#include <gtest/gtest.h>

using testsupport::ScriptedBrowser;
using testsupport::ScriptedNames;
using testsupport::ScriptedResolver;
using Kind = ScriptedBrowser::Kind;

namespace {

// Space one record of a server listing takes in the buffer.
size_t serverEntrySize(const QString &name) {
  return sizeof(NETRESOURCEA) + 2 + static_cast<size_t>(name.size()) + 1 +
         sizeof "Microsoft Windows NetWork";
}

QStringList serversNamed(const char *format, int count) {
  QStringList names;
  for (int i = 0; i < count; ++i)
    names.append(QString::asprintf(format, i));
  return names;
}

class EnumerateNetworkNames : public testsupport::ScriptedNetworkTest {};

} // namespace

TEST_F(EnumerateNetworkNames, ListsEachLevelInTheForms) {
  QStringList workgroups;
  ASSERT_TRUE(WSockUtils::EnumerateNetworkNames(QString(), workgroups));
  EXPECT_EQ(workgroups, (QStringList{"GROUP1", "GROUP2"}));
  QStringList servers;
  ASSERT_TRUE(WSockUtils::EnumerateNetworkNames("GROUP1", servers));
  EXPECT_EQ(servers, (QStringList{"\\\\PC1", "\\\\PC2"}));
  QStringList shares;
  ASSERT_TRUE(WSockUtils::EnumerateNetworkNames("\\\\PC1", shares));
  EXPECT_EQ(shares, (QStringList{"\\\\PC1\\docs", "\\\\PC1\\public"}));
  EXPECT_EQ(browser_.asked, (std::vector<std::string>{"", "GROUP1", "\\\\PC1"}));
}

TEST_F(EnumerateNetworkNames, OnlyAppends) {
  QStringList list{"kept"};
  ASSERT_TRUE(WSockUtils::EnumerateNetworkNames("GROUP2", list));
  EXPECT_EQ(list, (QStringList{"kept", "\\\\PC3"}));
  EXPECT_FALSE(WSockUtils::EnumerateNetworkNames("NOSUCH", list));
  EXPECT_FALSE(WSockUtils::EnumerateNetworkNames("\\\\PC3", list)) << "an empty server";
  EXPECT_EQ(list, (QStringList{"kept", "\\\\PC3"}));
}

TEST_F(EnumerateNetworkNames, OneBufferOf32000Bytes) {
  ScriptedBrowser many;
  // 150 servers need about 13 KB: more than the library's 3200 bytes, well
  // within 32000.
  const QStringList some = serversNamed("SERVER%03d", 150);
  for (const QString &name : some)
    many.add("GROUP9", Kind::Computer, name.toStdString());
  QStringList listed;
  ASSERT_TRUE(WSockUtils::EnumerateNetworkNames("GROUP9", listed));
  EXPECT_EQ(listed.size(), some.size());

  ScriptedBrowser more;
  const QStringList all = serversNamed("SERVER%04d", 1000);
  for (const QString &name : all)
    more.add("GROUP9", Kind::Computer, name.toStdString());
  listed.clear();
  ASSERT_TRUE(WSockUtils::EnumerateNetworkNames("GROUP9", listed));
  const qsizetype fit = static_cast<qsizetype>(32000 / serverEntrySize(all.front()));
  ASSERT_EQ(listed.size(), fit);
  EXPECT_EQ(listed.back(), "\\\\" + all[fit - 1]);
}

TEST(ResolveHostAddress, GivesTheLastAddressAndKeepsTheStartCount) {
  ScriptedResolver resolver;
  resolver.addHost("multi", {"10.1.0.1", "10.1.0.2", "10.1.0.3"});
  const int before = platform::winsockStartCount();
  QString address = "stale";
  WSockUtils::ResolveHostAddress("multi", address);
  EXPECT_EQ(address, "10.1.0.3");
  EXPECT_EQ(platform::winsockStartCount(), before);

  // Also with the unit's own start outstanding, as while the program runs.
  WSockUtils::initialize();
  WSockUtils::ResolveHostAddress("multi", address);
  EXPECT_EQ(address, "10.1.0.3");
  EXPECT_EQ(platform::winsockStartCount(), before + 1);
  WSockUtils::finalize();
}

TEST(ResolveHostAddress, UnknownNameLeavesTheAddressEmpty) {
  ScriptedResolver resolver;
  const int before = platform::winsockStartCount();
  QString address = "stale";
  WSockUtils::ResolveHostAddress("nosuch", address);
  EXPECT_TRUE(address.isEmpty());
  EXPECT_EQ(platform::winsockStartCount(), before);
}

TEST(ResolveHostAddress, EmptyNameIsThisComputer) {
  ScriptedNames names("desk7", "alice");
  ScriptedResolver resolver;
  resolver.addHost("desk7", {"10.2.0.7"});
  QString address;
  WSockUtils::ResolveHostAddress(QString(), address);
  EXPECT_EQ(address, "10.2.0.7");
}
