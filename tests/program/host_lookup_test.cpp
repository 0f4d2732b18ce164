// The host address search page: Button2Click's lines and its order of work.
// The copy of the lines is checked end to end on the real program.
#include "FormTestSupport.h"
#include "Unit1.h"

#include <support/ScriptedArp.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

using formtest::control;

namespace {

// What the page looked like while the ARP request ran.
struct PageDuringArp {
  bool buttonEnabled = true;
  int listLines = -1;
  QString memo;
};

class HostLookupTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(folder.ok());
    identity.resolver.addHost("beta", {"10.1.1.1"});
    form = std::make_unique<TForm1>(folder.file("velnor.ini"));
    button2 = control<QPushButton>(*form, "Button2");
    edit1 = control<QLineEdit>(*form, "Edit1");
    listBox1 = control<QListWidget>(*form, "ListBox1");
    memo1 = control<QPlainTextEdit>(*form, "Memo1");
    arp.replyTo(testsupport::address("10.1.1.1"), {0x02, 0x76, 0x6c, 0x0a, 0xbc, 0xff});
    arp.duringRequest = [this] {
      page.buttonEnabled = button2->isEnabled();
      page.listLines = listBox1->count();
      page.memo = memo1->toPlainText();
    };
  }

  void lookUp(const QString &typed) {
    memo1->setPlainText(QStringLiteral("a line of an earlier search"));
    edit1->setText(typed);
    QTest::mouseClick(button2, Qt::LeftButton);
  }
  QStringList listLines() const {
    QStringList lines;
    for (int i = 0; i < listBox1->count(); ++i)
      lines << listBox1->item(i)->text();
    return lines;
  }

  formtest::ScriptedIdentity identity;
  // Answers ARP for 10.1.1.1 only.
  testsupport::ScriptedArp arp;
  PageDuringArp page;
  formtest::TempFolder folder;
  std::unique_ptr<TForm1> form;
  // Its controls, found by their names.
  QPushButton *button2 = nullptr;
  QLineEdit *edit1 = nullptr;
  QListWidget *listBox1 = nullptr;
  QPlainTextEdit *memo1 = nullptr;
};

} // namespace

TEST_F(HostLookupTest, ShowsNameAddressAndMacWhateverWasTyped) {
  const struct {
    const char *typed;
    QStringList lines;
  } cases[] = {
      {"beta", {"ホスト名 beta", "IPアドレス 10.1.1.1", "MACアドレス 02-76-6C-0A-BC-FF"}},
      {"10.1.1.1", {"ホスト名 beta", "IPアドレス 10.1.1.1", "MACアドレス 02-76-6C-0A-BC-FF"}},
      // No reverse entry, no ARP answer.
      {"10.1.1.9", {"ホスト名 ", "IPアドレス 10.1.1.9", "MACアドレス "}},
      // Nothing resolves: the lines are there with empty values.
      {"nosuch", {"ホスト名 ", "IPアドレス ", "MACアドレス "}},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.typed);
    lookUp(QString::fromUtf8(c.typed));
    EXPECT_EQ(listLines(), c.lines);
    EXPECT_EQ(memo1->toPlainText(), c.lines.join(QLatin1Char('\n')));
    // During the MAC lookup the button was disabled, the first two lines were
    // shown and Memo1 was still empty; it is filled at the end.
    EXPECT_FALSE(page.buttonEnabled);
    EXPECT_EQ(page.listLines, 2);
    EXPECT_EQ(page.memo, QString());
    EXPECT_TRUE(button2->isEnabled());
  }
  EXPECT_EQ(arp.requests, 4);
}

TEST_F(HostLookupTest, EmptyEditOnlyClearsBothAreas) {
  lookUp(QStringLiteral("beta"));
  const int queries = identity.resolver.nameQueries + identity.resolver.addressQueries;
  lookUp(QString());
  EXPECT_EQ(listBox1->count(), 0);
  EXPECT_EQ(memo1->toPlainText(), QString());
  EXPECT_TRUE(button2->isEnabled());
  EXPECT_EQ(identity.resolver.nameQueries + identity.resolver.addressQueries, queries);
  EXPECT_EQ(arp.requests, 1);
}

TEST_F(HostLookupTest, EnterInTheEditStartsNoLookup) {
  edit1->setText(QStringLiteral("beta"));
  QTest::keyClick(edit1, Qt::Key_Return);
  EXPECT_EQ(listBox1->count(), 0);
  EXPECT_EQ(arp.requests, 0);
}
