// The LAN host search after VLSRV2 has left the network while the browse list
// still holds it (stale_server.sh takes it off before this runs). The search
// must complete; VLSRV2 stays in the tree without shares, and gets a row with
// its address and no MAC address only if its name still resolves (a hosts
// file or WINS may still know it; a broadcast query gets no answer).
#include "integration/Lab.h"

#include <Unit1.h>
#include <WSockUtils.h>
#include <support/NeighbourTable.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>

namespace lab = velnor::lab;

namespace {

QString text(std::string_view view) {
  return QString::fromUtf8(view.data(), static_cast<qsizetype>(view.size()));
}

std::set<QString> childTexts(const QTreeWidgetItem *node) {
  std::set<QString> texts;
  for (int i = 0; i < node->childCount(); ++i)
    texts.insert(node->child(i)->text(0));
  return texts;
}

} // namespace

TEST(StaleServer, SearchCompletesAndTheGoneServerKeepsWhatItCan) {
  lab::requireLab();
  QStringList listed;
  WSockUtils::EnumerateNetworkNames(text(lab::kWorkgroup1), listed);
  ASSERT_TRUE(listed.contains("\\\\" + text(lab::kVlsrv2.name)))
      << "the browse list no longer holds VLSRV2: " << listed.join(' ').toStdString();

  // The client's cached entry would still give its MAC address, as a Windows
  // ARP cache does for a while; once it has expired the request goes out and
  // gets no answer, which is the case tested here.
  testsupport::NeighbourTable neighbours{std::string(lab::kClientInterface)};
  ASSERT_TRUE(neighbours.forget(std::string(lab::kVlsrv2.address).c_str()));

  TForm1 form(""); // no settings file
  const auto *searchButton = form.findChild<QPushButton *>("Button5");
  const auto *tree = form.findChild<QTreeWidget *>("TreeView1");
  const auto *table = form.findChild<QTableWidget *>("ListView1");
  const auto *memo = form.findChild<QPlainTextEdit *>("Memo1");
  ASSERT_TRUE(searchButton && tree && table && memo) << "the window's controls, by name";
  form.show();
  const auto started = std::chrono::steady_clock::now();
  form.Button5Click();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("search with VLSRV2 gone took %.1f s\n", seconds);
  EXPECT_TRUE(searchButton->isEnabled());

  // The tree: every server under its workgroup; the shares of those present.
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  QString lines;
  for (const lab::Server &server : lab::kServers) {
    SCOPED_TRACE(std::string(server.name));
    const QString entry = "\\\\" + text(server.name);
    const QList<QTreeWidgetItem *> nodes =
        tree->findItems(entry, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(nodes.size(), 1);
    ASSERT_NE(nodes[0]->parent(), nullptr);
    EXPECT_EQ(nodes[0]->parent()->text(0), text(server.workgroup));
    std::set<QString> shares;
    if (server.name != lab::kVlsrv2.name)
      for (std::string_view share : server.shares)
        shares.insert(text(share));
    EXPECT_EQ(childTexts(nodes[0]), shares);

    const QList<QTableWidgetItem *> rows = table->findItems(text(server.name), Qt::MatchExactly);
    if (server.name == lab::kVlsrv2.name && rows.isEmpty()) {
      std::printf("VLSRV2 did not resolve: tree only\n");
      continue;
    }
    ASSERT_EQ(rows.size(), 1);
    const int row = rows[0]->row();
    const QString mac = server.name == lab::kVlsrv2.name ? QString() : text(server.macText);
    EXPECT_EQ(table->item(row, 1)->text(), text(server.address));
    EXPECT_EQ(table->item(row, 2)->text(), mac);
    lines += (lines.isEmpty() ? "" : "\n") + text(server.name) + "    " + text(server.address) +
             "     " + mac;
  }
  EXPECT_EQ(memo->toPlainText(), lines) << "one line per row, in the order found";
}

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  WSockUtils::initialize();
  const int result = RUN_ALL_TESTS();
  WSockUtils::finalize();
  return result;
}
