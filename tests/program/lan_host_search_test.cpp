// The LAN host search on a scripted network: what the tree, the table and the
// text lines hold, the progress bar, cancel, a second start and a close
// during a search.
#include "BrowseNameForms.h"
#include "FormTestSupport.h"
#include "StrPprog.h"
#include "Unit1.h"

#include <support/ScriptedArp.h>
#include <support/ScriptedBrowser.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

using formtest::control;
using formtest::TempFolder;
using testsupport::ScriptedArp;
using testsupport::ScriptedBrowser;
using Kind = ScriptedBrowser::Kind;

namespace {

// The tree as text: one line per node, indented by two spaces a level.
QString treeText(const QTreeWidget &tree) {
  QString text;
  std::function<void(const QTreeWidgetItem *, int)> add = [&](const QTreeWidgetItem *item,
                                                              int depth) {
    text += QString(depth * 2, QLatin1Char(' ')) + item->text(0) + QLatin1Char('\n');
    for (int i = 0; i < item->childCount(); ++i)
      add(item->child(i), depth + 1);
  };
  for (int i = 0; i < tree.topLevelItemCount(); ++i)
    add(tree.topLevelItem(i), 0);
  return text;
}

// The table as text: one line per row, cells joined by '|'.
QString tableText(const QTableWidget &table) {
  QString text;
  for (int row = 0; row < table.rowCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < table.columnCount(); ++column)
      cells.append(table.item(row, column) ? table.item(row, column)->text() : QStringLiteral("-"));
    text += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
  }
  return text;
}

class LanHostSearchTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(folder.ok());
    form = std::make_unique<TForm1>(folder.file("velnor.ini"));
    button2 = control<QPushButton>(*form, "Button2");
    button5 = control<QPushButton>(*form, "Button5");
    edit1 = control<QLineEdit>(*form, "Edit1");
    listBox1 = control<QListWidget>(*form, "ListBox1");
    listView1 = control<QTableWidget>(*form, "ListView1");
    memo1 = control<QPlainTextEdit>(*form, "Memo1");
    n34 = control<QAction>(*form, "N34");
    treeView1 = control<QTreeWidget>(*form, "TreeView1");
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    resolver.asked.clear(); // the identity label's lookup
  }
  void TearDown() override { form.reset(); }

  TFormStrProgress *dialog() const { return form->findChild<TFormStrProgress *>(); }

  void expectIdleAfterSearch() {
    EXPECT_EQ(dialog(), nullptr) << "the progress dialog is destroyed";
    EXPECT_TRUE(button5->isEnabled());
    EXPECT_EQ(form->focusWidget(), button5);
    EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    EXPECT_EQ(QApplication::focusWidget(), button5);
  }

  // Two workgroups. VLGRP1 holds three computers (one that does not resolve),
  // VLGRP2 one computer whose MAC is not found.
  void scriptTwoWorkgroups() {
    browser.add("", Kind::Workgroup, "VLGRP1")
        .add("", Kind::Workgroup, "VLGRP2")
        .add("VLGRP1", Kind::Computer, "ZETA")
        .add("VLGRP1", Kind::Computer, "PC1")
        .add("VLGRP1", Kind::Computer, "NOIP")
        .add("VLGRP2", Kind::Computer, "MID")
        .add("\\\\ZETA", Kind::FileShare, "public")
        .add("\\\\PC1", Kind::FileShare, "docs")
        .add("\\\\PC1", Kind::FileShare, "backup$")
        .add("\\\\NOIP", Kind::FileShare, "tools")
        .addEmpty("\\\\MID");
    resolver.addHost("ZETA", {"10.0.0.3"});
    resolver.addHost("PC1", {"10.0.0.1", "10.0.0.11"});
    resolver.addHost("MID", {"10.0.0.2"});
    arp.replyTo(testsupport::address("10.0.0.3"), {0x02, 0x00, 0x00, 0x00, 0x00, 0x03});
    arp.replyTo(testsupport::address("10.0.0.11"), {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F});
  }

  // One workgroup of three computers A, B and C, each with one share, and a
  // second workgroup.
  void scriptThreeComputers() {
    browser.add("", Kind::Workgroup, "VLGRP1")
        .add("", Kind::Workgroup, "VLGRP2")
        .add("VLGRP1", Kind::Computer, "A")
        .add("VLGRP1", Kind::Computer, "B")
        .add("VLGRP1", Kind::Computer, "C")
        .add("VLGRP2", Kind::Computer, "D")
        .add("\\\\A", Kind::FileShare, "a1")
        .add("\\\\B", Kind::FileShare, "b1")
        .add("\\\\C", Kind::FileShare, "c1")
        .add("\\\\D", Kind::FileShare, "d1");
    resolver.addHost("A", {"10.0.0.1"});
    resolver.addHost("B", {"10.0.0.2"});
    resolver.addHost("C", {"10.0.0.3"});
    resolver.addHost("D", {"10.0.0.4"});
  }

  testsupport::ScriptedNames names{"desk", "alice"};
  // onLookup runs right after the search's two message-pumping points.
  testsupport::ScriptedResolver resolver;
  // Only the addresses given a reply answer ARP.
  ScriptedArp arp;
  ScriptedBrowser browser;
  TempFolder folder;
  std::unique_ptr<TForm1> form;
  // Its controls, found by their names.
  QPushButton *button2 = nullptr;
  QPushButton *button5 = nullptr;
  QLineEdit *edit1 = nullptr;
  QListWidget *listBox1 = nullptr;
  QTableWidget *listView1 = nullptr;
  QPlainTextEdit *memo1 = nullptr;
  QAction *n34 = nullptr;
  QTreeWidget *treeView1 = nullptr;
};

} // namespace

TEST_F(LanHostSearchTest, TwoWorkgroupsFillTreeTableAndText) {
  scriptTwoWorkgroups();
  memo1->setPlainText(QStringLiteral("an earlier line"));
  std::map<std::string, int> bar;
  int checked = 0;
  resolver.onLookup = [&](const std::string &name) {
    TFormStrProgress *progress = dialog();
    ASSERT_NE(progress, nullptr);
    bar[name] = control<QProgressBar>(*progress, "ProgressBar1")->value();
    if (checked++ > 0)
      return;
    EXPECT_TRUE(progress->isVisible());
    EXPECT_FALSE(progress->isModal());
    EXPECT_EQ(progress->windowTitle(), QStringLiteral("LAN内ホスト検索"));
    EXPECT_EQ(control<QLabel>(*progress, "Label1")->text(), QStringLiteral("検索中です"));
    EXPECT_FALSE(button5->isEnabled());
  };

  button5->click();

  EXPECT_EQ(treeText(*treeView1), QStringLiteral("VLGRP1\n"
                                                 "  \\\\ZETA\n"
                                                 "    public\n"
                                                 "  \\\\PC1\n"
                                                 "    docs\n"
                                                 "  \\\\NOIP\n"
                                                 "    tools\n"
                                                 "VLGRP2\n"
                                                 "  \\\\MID\n"));
  // Sorted by host name; the last address of PC1; no MAC found for MID; NOIP
  // does not resolve and stays in the tree only.
  EXPECT_EQ(tableText(*listView1), QStringLiteral("MID|10.0.0.2|\n"
                                                  "PC1|10.0.0.11|0A-1B-2C-3D-4E-5F\n"
                                                  "ZETA|10.0.0.3|02-00-00-00-00-03\n"));
  // In the order found.
  EXPECT_EQ(memo1->toPlainText(), QStringLiteral("ZETA    10.0.0.3     02-00-00-00-00-03\n"
                                                 "PC1    10.0.0.11     0A-1B-2C-3D-4E-5F\n"
                                                 "MID    10.0.0.2     "));
  // Three computers in VLGRP1 give 0, 50 and 100; the single one of VLGRP2 100.
  EXPECT_EQ(bar,
            (std::map<std::string, int>{{"ZETA", 0}, {"PC1", 50}, {"NOIP", 100}, {"MID", 100}}));
  expectIdleAfterSearch();

  // The next search starts from empty views.
  n34->trigger();
  EXPECT_EQ(listView1->rowCount(), 3);
  EXPECT_EQ(treeView1->topLevelItemCount(), 2);
  EXPECT_EQ(memo1->toPlainText().count(QLatin1Char('\n')), 2);
}

TEST_F(LanHostSearchTest, NoNetworkShowsAndDestroysTheDialog) {
  // The browser knows no container: the top level fails.
  struct ShowFilter : QObject {
    QPointer<TFormStrProgress> shown;
    bool seen = false;
    bool eventFilter(QObject *object, QEvent *event) override {
      if (auto *progress = qobject_cast<TFormStrProgress *>(object);
          progress && event->type() == QEvent::Show) {
        shown = progress;
        seen = true;
      }
      return false;
    }
  } filter;
  qApp->installEventFilter(&filter);
  button5->click();
  qApp->removeEventFilter(&filter);

  EXPECT_EQ(browser.asked, std::vector<std::string>{""});
  EXPECT_TRUE(filter.seen) << "the dialog was shown";
  EXPECT_TRUE(filter.shown.isNull()) << "and destroyed";
  EXPECT_EQ(treeView1->topLevelItemCount(), 0);
  EXPECT_EQ(listView1->rowCount(), 0) << "the start-up row is cleared too";
  EXPECT_TRUE(memo1->toPlainText().isEmpty());
  expectIdleAfterSearch();
}

TEST_F(LanHostSearchTest, CancelAtTheSecondComputerKeepsWhatWasFound) {
  scriptThreeComputers();
  resolver.onLookup = [&](const std::string &name) {
    // Queued now, handled while the second computer's progress is reported.
    if (name == "A")
      QMetaObject::invokeMethod(control<QPushButton>(*dialog(), "Button1"), &QPushButton::click,
                                Qt::QueuedConnection);
  };

  button5->click();

  EXPECT_EQ(resolver.asked, std::vector<std::string>{"A"});
  EXPECT_EQ(treeText(*treeView1), QStringLiteral("VLGRP1\n"
                                                 "  \\\\A\n"
                                                 "    a1\n"
                                                 "  \\\\B\n"
                                                 "    b1\n"));
  EXPECT_EQ(tableText(*listView1), QStringLiteral("A|10.0.0.1|\n"));
  EXPECT_EQ(memo1->toPlainText(), QStringLiteral("A    10.0.0.1     "));
  expectIdleAfterSearch();
}

TEST_F(LanHostSearchTest, SecondStartDuringASearchDoesNothing) {
  scriptThreeComputers();
  int shortcutsSent = 0;
  resolver.onLookup = [&](const std::string &) {
    // Ctrl+N on the list and the menu item, both handled at the search's
    // next message pumping; and a direct call from inside the search.
    if (shortcutsSent++ > 0)
      return;
    QMetaObject::invokeMethod(n34, &QAction::trigger, Qt::QueuedConnection);
    QTimer::singleShot(0, listView1, [this] {
      listView1->setFocus();
      QTest::keyClick(listView1, Qt::Key_N, Qt::ControlModifier);
    });
    form->Button5Click();
  };

  n34->trigger();

  EXPECT_EQ(resolver.asked, (std::vector<std::string>{"A", "B", "C", "D"}))
      << "each computer resolved once, by the first search only";
  EXPECT_EQ(memo1->toPlainText(), QStringLiteral("A    10.0.0.1     \n"
                                                 "B    10.0.0.2     \n"
                                                 "C    10.0.0.3     \n"
                                                 "D    10.0.0.4     "));
  EXPECT_EQ(listView1->rowCount(), 4);
  QCoreApplication::processEvents();
  EXPECT_EQ(resolver.asked.size(), 4u) << "nothing was queued for later";
  expectIdleAfterSearch();
}

TEST_F(LanHostSearchTest, HostLookupDuringASearchDoesNothing) {
  scriptThreeComputers();
  resolver.onLookup = [&](const std::string &name) {
    if (name != "B")
      return;
    edit1->setText(QStringLiteral("10.0.0.9"));
    button2->click();
  };

  button5->click();

  EXPECT_EQ(memo1->toPlainText(), QStringLiteral("A    10.0.0.1     \n"
                                                 "B    10.0.0.2     \n"
                                                 "C    10.0.0.3     \n"
                                                 "D    10.0.0.4     "));
  EXPECT_EQ(listBox1->count(), 0);
  expectIdleAfterSearch();
}

TEST_F(LanHostSearchTest, CloseDuringASearchCancelsItThenCloses) {
  scriptThreeComputers();
  resolver.onLookup = [&](const std::string &name) {
    if (name == "A")
      QTimer::singleShot(0, form.get(), [this] { form->close(); });
  };

  button5->click();

  EXPECT_EQ(resolver.asked, std::vector<std::string>{"A"});
  EXPECT_EQ(treeView1->topLevelItemCount(), 1);
  EXPECT_EQ(memo1->toPlainText(), QStringLiteral("A    10.0.0.1     "));
  EXPECT_EQ(dialog(), nullptr);
  EXPECT_FALSE(form->isVisible()) << "the window closed after the search ended";

  // Destroying it saves the settings, as after any close.
  form.reset();
  EXPECT_EQ(formtest::windowValue(folder.file("velnor.ini"), "Maximized"), "0");
}

TEST(BrowseNameForms, HostNamesAndShareLabels) {
  struct Case {
    QString computer, share, host, label;
  };
  const Case cases[] = {
      {"\\\\PC1", "\\\\PC1\\docs", "PC1", "docs"},
      {"\\\\ＰＣ２", "\\\\ＰＣ２\\共有", "ＰＣ２", "共有"},
      // Odd forms are shown as they are, or give nothing to show.
      {"\\\\", "\\\\\\x", "", "x"},
      {"\\", "\\\\docs", "\\", "docs"},
      {"PC1", "PC1\\docs", "PC1", "docs"},
      {"", "", "", ""},
      {"\\\\PC1", "\\\\PC1\\", "PC1", ""},
      {"\\\\PC1", "\\\\PC1", "PC1", "\\\\PC1"},
      {"\\\\PC1", "\\\\P", "PC1", "\\\\P"},
      {"\\\\PC1", "\\\\OTHER\\docs", "PC1", "\\\\OTHER\\docs"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.computer.toStdString() + " / " + c.share.toStdString());
    EXPECT_EQ(hostNameOf(c.computer), c.host);
    EXPECT_EQ(shareLabelOf(c.share, c.computer), c.label);
  }
}
