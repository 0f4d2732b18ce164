// The host address search page: Button2Click's lines, its order of work and
// the copy of its lines.
#include "FormTestSupport.h"
#include "Unit1.h"

#include <support/ScriptedArp.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

// Answers every ARP request for "beta" with a fixed MAC, and notes what the
// page looked like while the request ran.
class ObservingArp final : public platform::ArpBackend {
public:
  ObservingArp() { platform::setArpBackend(this); }
  ~ObservingArp() override { platform::setArpBackend(nullptr); }

  DWORD sendArp(uint32_t destination, uint32_t, void *mac, ULONG *length) override {
    ++requests;
    if (form != nullptr) {
      buttonEnabledDuringRequest = form->Button2->isEnabled();
      listLinesDuringRequest = form->ListBox1->count();
      memoDuringRequest = form->Memo1->toPlainText();
    }
    if (destination != testsupport::address("10.1.1.1"))
      return ERROR_BAD_NET_NAME;
    const unsigned char bytes[6] = {0x02, 0x76, 0x6c, 0x0a, 0xbc, 0xff};
    std::memcpy(mac, bytes, 6);
    *length = 6;
    return NO_ERROR;
  }

  TForm1 *form = nullptr;
  int requests = 0;
  bool buttonEnabledDuringRequest = true;
  int listLinesDuringRequest = -1;
  QString memoDuringRequest;
};

class HostLookupTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(folder.ok());
    identity.resolver.addHost("beta", {"10.1.1.1"});
    form = std::make_unique<TForm1>(folder.file("velnor.ini"));
    arp.form = form.get();
  }
  void TearDown() override { form.reset(); }

  void lookUp(const QString &typed) {
    form->Edit1->setText(typed);
    QTest::mouseClick(form->Button2, Qt::LeftButton);
  }
  QStringList listLines() const {
    QStringList lines;
    for (int i = 0; i < form->ListBox1->count(); ++i)
      lines << form->ListBox1->item(i)->text();
    return lines;
  }

  formtest::ScriptedIdentity identity;
  ObservingArp arp;
  formtest::TempFolder folder;
  std::unique_ptr<TForm1> form;
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
    form->Memo1->setPlainText(QStringLiteral("a line of an earlier search"));
    lookUp(QString::fromUtf8(c.typed));
    EXPECT_EQ(listLines(), c.lines);
    EXPECT_EQ(form->Memo1->toPlainText(), c.lines.join(QLatin1Char('\n')));
    EXPECT_TRUE(form->Button2->isEnabled());
  }
}

TEST_F(HostLookupTest, ButtonIsDisabledDuringTheLookupsAndMemoFilledAfter) {
  lookUp(QStringLiteral("beta"));
  EXPECT_EQ(arp.requests, 1);
  EXPECT_FALSE(arp.buttonEnabledDuringRequest);
  // The name and address lines are shown before the MAC lookup runs; Memo1
  // gets all three only once it has finished.
  EXPECT_EQ(arp.listLinesDuringRequest, 2);
  EXPECT_EQ(arp.memoDuringRequest, QString());
  EXPECT_TRUE(form->Button2->isEnabled());
}

TEST_F(HostLookupTest, CopyTakesExactlyTheThreeLines) {
  QClipboard *clipboard = QGuiApplication::clipboard();
  const QString expected =
      QStringLiteral("ホスト名 beta\r\nIPアドレス 10.1.1.1\r\nMACアドレス 02-76-6C-0A-BC-FF");
  form->Memo1->setPlainText(QStringLiteral("VLSRV1    10.77.0.11     02-76-6C-00-00-0B"));
  lookUp(QStringLiteral("beta"));
  clipboard->setText(QStringLiteral("before"));
  QTest::mouseClick(form->Button6, Qt::LeftButton);
  EXPECT_EQ(clipboard->text(), expected);
  clipboard->setText(QStringLiteral("before"));
  form->N4->trigger();
  EXPECT_EQ(clipboard->text(), expected);
}

TEST_F(HostLookupTest, EmptyEditClearsBothAreasAndNothingElse) {
  lookUp(QStringLiteral("beta"));
  const int queries = identity.resolver.nameQueries + identity.resolver.addressQueries;
  const QString label = form->Label1->text();
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  lookUp(QString());
  EXPECT_EQ(form->ListBox1->count(), 0);
  EXPECT_EQ(form->Memo1->toPlainText(), QString());
  EXPECT_TRUE(form->Button2->isEnabled());
  EXPECT_EQ(identity.resolver.nameQueries + identity.resolver.addressQueries, queries);
  EXPECT_EQ(arp.requests, 1);
  EXPECT_EQ(form->Label1->text(), label);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST_F(HostLookupTest, EnterInTheEditStartsNoLookup) {
  form->Edit1->setText(QStringLiteral("beta"));
  QTest::keyClick(form->Edit1, Qt::Key_Return);
  EXPECT_EQ(form->ListBox1->count(), 0);
  EXPECT_EQ(arp.requests, 0);
}
