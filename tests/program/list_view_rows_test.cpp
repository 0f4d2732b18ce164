// Rows of the host table stay in lstrcmpA order of their captions.
#include "FormTestSupport.h"
#include "ListViewRows.h"
#include "Unit1.h"

#include <support/GeneratedLocale.h>

#include <QTableWidget>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

using formtest::control;
using formtest::TempFolder;

namespace {

class ListViewRowsTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(folder.ok());
    form = std::make_unique<TForm1>(folder.file("velnor.ini"));
    list = control<QTableWidget>(*form, "ListView1");
  }

  QStringList captions() const {
    QStringList result;
    for (int row = 0; row < list->rowCount(); ++row)
      result.append(list->item(row, 0) ? list->item(row, 0)->text() : QStringLiteral("<none>"));
    return result;
  }
  // The order Qt's own item comparison would give.
  static QStringList inQtOrder(QStringList names) {
    std::sort(names.begin(), names.end());
    return names;
  }
  void append(const QStringList &names) {
    for (const QString &name : names)
      appendListViewRow(*list, name, {QStringLiteral("addr ") + name, QStringLiteral("mac")});
  }

  formtest::ScriptedIdentity identity;
  TempFolder folder;
  std::unique_ptr<TForm1> form;
  QTableWidget *list = nullptr;
};

// Sets LC_ALL for one test, as the user's locale.
class LcAll {
public:
  explicit LcAll(const char *value) {
    if (const char *old = std::getenv("LC_ALL"))
      saved_ = old;
    ::setenv("LC_ALL", value, 1);
  }
  ~LcAll() {
    if (saved_)
      ::setenv("LC_ALL", saved_->c_str(), 1);
    else
      ::unsetenv("LC_ALL");
  }

private:
  std::optional<std::string> saved_;
};

} // namespace

// Upper-case names and digits order alike in every locale.
TEST_F(ListViewRowsTest, RowsAreSortedByCaptionAsTheyAreAdded) {
  append({"PC9", "ZULU", "PC10", "ALPHA", "PC1"});
  EXPECT_EQ(captions(), (QStringList{"", "ALPHA", "PC1", "PC10", "PC9", "ZULU"}))
      << "the empty start row sorts first; digits compare as characters";
  for (int row = 1; row < list->rowCount(); ++row)
    EXPECT_EQ(list->item(row, 1)->text(), QStringLiteral("addr ") + list->item(row, 0)->text())
        << "sub-items move with their row";
}

TEST_F(ListViewRowsTest, ChangedCaptionMovesItsRow) {
  append({"ALPHA", "BRAVO", "CHARLIE"});
  list->item(1, 0)->setText(QStringLiteral("DELTA")); // was ALPHA
  EXPECT_EQ(captions(), (QStringList{"", "BRAVO", "CHARLIE", "DELTA"}));
  EXPECT_EQ(list->item(3, 1)->text(), QStringLiteral("addr ALPHA"));
}

TEST_F(ListViewRowsTest, AppendReturnsTheRowSortedTo) {
  append({"BRAVO", "DELTA"});
  EXPECT_EQ(appendListViewRow(*list, QStringLiteral("CHARLIE"), {QStringLiteral("x")}), 2);
  EXPECT_EQ(list->item(2, 1)->text(), QStringLiteral("x"));
  EXPECT_EQ(appendListViewRow(*list, QStringLiteral("ECHO"), {"a", "b", "beyond the columns"}), 4);
}

TEST_F(ListViewRowsTest, CaptionsCompareByTheUserCollation) {
  testsupport::GeneratedLocale english("en_US");
  ASSERT_TRUE(english.ok()) << "localedef could not build en_US.UTF-8 (package locales)";
  const QStringList names = {"beta", "Alpha", "alpha", "Beta", "gamma"};
  const QStringList expected = {"", "alpha", "Alpha", "beta", "Beta", "gamma"};
  ASSERT_NE(QStringList{""} + inQtOrder(names), expected) << "the case must tell the orders apart";
  append(names);
  EXPECT_EQ(captions(), expected);
}

TEST_F(ListViewRowsTest, CaptionsCompareAsLocal8BitBytesInTheCLocale) {
  LcAll c("C.UTF-8");
  // UTF-8 byte order puts U+FF21 before U+1F600, which UTF-16 code units
  // (Qt's own comparison) order the other way round.
  const QString fullWidthA = QStringLiteral("Ａ");
  const QString emoji = QString::fromUtf8("\xf0\x9f\x98\x80");
  const QStringList names = {emoji, fullWidthA, "a", "B"};
  const QStringList expected = {"", "B", "a", fullWidthA, emoji};
  ASSERT_NE(QStringList{""} + inQtOrder(names), expected);
  append(names);
  EXPECT_EQ(captions(), expected);
}
