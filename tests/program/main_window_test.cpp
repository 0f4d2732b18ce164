// The main window as designed: its controls, the identity label, the tree
// view switch, the copy command, the popup menu and its shortcut.
#include "FormFont.h"
#include "FormTestSupport.h"
#include "ListViewRows.h"
#include "Unit1.h"

#include <support/ScriptedBrowser.h>

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <memory>
#include <optional>

using formtest::TempFolder;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(folder.ok());
    form = std::make_unique<TForm1>(folder.file("velnor.ini"));
  }
  void TearDown() override { form.reset(); }

  void showActive() {
    form->show();
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }

  formtest::ScriptedIdentity identity;
  // Knows no network: a search started by the shortcut ends at once, offline.
  testsupport::ScriptedBrowser browser;
  TempFolder folder;
  std::unique_ptr<TForm1> form;
};

struct DesignedControl {
  const char *name;
  const char *className;
  const char *page;
  QRect geometry;
  std::optional<QString> text;
};

std::optional<QString> controlText(const QWidget *control) {
  if (auto *label = qobject_cast<const QLabel *>(control))
    return label->text();
  if (auto *button = qobject_cast<const QAbstractButton *>(control))
    return button->text();
  if (auto *edit = qobject_cast<const QLineEdit *>(control))
    return edit->text();
  if (auto *memo = qobject_cast<const QPlainTextEdit *>(control))
    return memo->toPlainText();
  return std::nullopt;
}

} // namespace

TEST_F(MainWindowTest, EveryControlHasItsNameClassPlaceAndText) {
  const DesignedControl design[] = {
      {"Label2",
       "QLabel",
       "Form1",
       {8, 8, 132, 12},
       QStringLiteral("ローカルホスト（アドレス） :")},
      {"PageControl1", "QTabWidget", "Form1", {7, 24, 545, 289}, std::nullopt},
      {"ListView1", "QTableWidget", "TabSheet1", {8, 29, 353, 233}, std::nullopt},
      {"TreeView1", "QTreeWidget", "TabSheet1", {368, 29, 161, 220}, std::nullopt},
      {"CheckBox1", "QCheckBox", "TabSheet1", {376, 3, 97, 17}, QStringLiteral("ツリービュー")},
      {"Button5", "QPushButton", "TabSheet1", {72, 0, 81, 25}, QStringLiteral("ホスト検索")},
      {"Button1", "QPushButton", "TabSheet1", {200, 0, 81, 25}, QStringLiteral("すべてコピー")},
      {"Button2", "QPushButton", "TabSheet2", {16, 8, 89, 25}, QStringLiteral("ホストアドレス")},
      {"Button6", "QPushButton", "TabSheet2", {128, 8, 75, 25}, QStringLiteral("コピー")},
      {"Edit1", "QLineEdit", "TabSheet2", {8, 40, 321, 20}, QString()},
      {"ListBox1", "QListWidget", "TabSheet2", {8, 72, 321, 65}, std::nullopt},
      {"Memo1", "QPlainTextEdit", "TabSheet2", {8, 149, 345, 89}, QString()},
  };
  for (const DesignedControl &control : design) {
    SCOPED_TRACE(control.name);
    const auto *widget = form->findChild<QWidget *>(QString::fromLatin1(control.name));
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->inherits(control.className)) << widget->metaObject()->className();
    EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(control.page));
    if (widget == form->Label2) {
      // Grown where the substitute font is wider than the designed one.
      EXPECT_EQ(widget->geometry(),
                control.geometry.united(QRect(control.geometry.topLeft(), widget->sizeHint())));
    } else {
      EXPECT_EQ(widget->geometry(), control.geometry);
    }
    EXPECT_EQ(controlText(widget), control.text);
  }
  const QWidget *members[] = {form->Label2,    form->PageControl1, form->ListView1, form->TreeView1,
                              form->CheckBox1, form->Button5,      form->Button1,   form->Button2,
                              form->Button6,   form->Edit1,        form->ListBox1,  form->Memo1};
  for (size_t i = 0; i < std::size(members); ++i)
    EXPECT_EQ(members[i]->objectName(), QString::fromLatin1(design[i].name));
}

TEST_F(MainWindowTest, LabelsShowTheirWholeText) {
  for (const QLabel *label : {form->Label2, form->Label1}) {
    const QFontMetrics metrics(label->font());
    EXPECT_GE(label->width(), metrics.horizontalAdvance(label->text()))
        << label->objectName().toStdString();
    EXPECT_GE(label->height(), metrics.height()) << label->objectName().toStdString();
  }
  EXPECT_LE(form->Label2->geometry().right(), form->Label1->x()) << "the labels do not overlap";
}

TEST_F(MainWindowTest, WindowIsAFixedDialogStyleWindowNamedVelnor) {
  EXPECT_EQ(form->objectName(), QStringLiteral("Form1"));
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Velnor"));
  EXPECT_TRUE(form->isWindow());
  EXPECT_EQ(form->minimumSize(), QSize(559, 317));
  EXPECT_EQ(form->maximumSize(), QSize(559, 317));
  const Qt::WindowFlags flags = form->windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_EQ(form->font().families(), formFont().families());
  EXPECT_EQ(form->font().pixelSize(), 12);
  EXPECT_EQ(form->ListView1->font().families(), formFont().families()) << "children inherit it";
  EXPECT_EQ(form->backgroundRole(), QPalette::Button);
  EXPECT_TRUE(form->autoFillBackground());
}

TEST_F(MainWindowTest, TabPagesSitBelowTheTabsAndHoldTheirControls) {
  QTabWidget *tabs = form->PageControl1;
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->widget(0), form->TabSheet1);
  EXPECT_EQ(tabs->widget(1), form->TabSheet2);
  EXPECT_EQ(form->TabSheet1->objectName(), QStringLiteral("TabSheet1"));
  EXPECT_EQ(form->TabSheet2->objectName(), QStringLiteral("TabSheet2"));
  EXPECT_EQ(tabs->tabText(0), QStringLiteral("ＬＡＮ内ホスト検索"));
  EXPECT_EQ(tabs->tabText(1), QStringLiteral("ホストアドレス検索"));
  EXPECT_EQ(tabs->currentIndex(), 0) << "first page active at start";

  form->show();
  for (int index : {1, 0}) {
    tabs->setCurrentIndex(index);
    QCoreApplication::processEvents();
    QWidget *page = tabs->widget(index);
    SCOPED_TRACE(page->objectName().toStdString());
    EXPECT_GE(page->mapTo(tabs, QPoint(0, 0)).y(), tabs->tabBar()->height());
    for (QWidget *control : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
      EXPECT_TRUE(page->rect().contains(control->geometry()))
          << control->objectName().toStdString() << " fits in the page";
  }
}

TEST_F(MainWindowTest, ListViewIsAReportWithOneEmptyRow) {
  QTableWidget *list = form->ListView1;
  ASSERT_EQ(list->columnCount(), 3);
  const QString captions[] = {QStringLiteral("ホスト名"), QStringLiteral("アドレス"),
                              QStringLiteral("MACアドレス")};
  const int widths[] = {100, 100, 140};
  for (int column = 0; column < 3; ++column) {
    ASSERT_NE(list->horizontalHeaderItem(column), nullptr);
    EXPECT_EQ(list->horizontalHeaderItem(column)->text(), captions[column]);
    EXPECT_EQ(list->columnWidth(column), widths[column]);
  }
  EXPECT_TRUE(list->showGrid());
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(list->selectionMode(), QAbstractItemView::ExtendedSelection);
  EXPECT_TRUE(list->verticalHeader()->isHidden());
  EXPECT_FALSE(list->horizontalHeader()->isSortIndicatorShown());

  ASSERT_EQ(list->rowCount(), 1);
  ASSERT_NE(list->item(0, 0), nullptr);
  EXPECT_EQ(list->item(0, 0)->type(), ListViewItem::kType);
  EXPECT_EQ(list->item(0, 0)->text(), QString());
  ASSERT_NE(list->item(0, 1), nullptr) << "one empty sub-item";
  EXPECT_EQ(list->item(0, 1)->text(), QString());
  EXPECT_EQ(list->item(0, 2), nullptr);
}

TEST_F(MainWindowTest, OtherControlsStartAsDesigned) {
  EXPECT_TRUE(form->TreeView1->isHidden());
  EXPECT_EQ(form->TreeView1->indentation(), 19);
  EXPECT_FALSE(form->CheckBox1->isChecked());
  EXPECT_TRUE(form->Memo1->isHidden());
  EXPECT_EQ(form->ListBox1->count(), 0);

  form->ListBox1->addItems({QStringLiteral("ホスト名 : PC1"), QStringLiteral("アドレス : x")});
  form->show();
  QCoreApplication::processEvents();
  EXPECT_EQ(form->ListBox1->visualItemRect(form->ListBox1->item(0)).height(), 12);
  EXPECT_EQ(form->ListBox1->visualItemRect(form->ListBox1->item(1)).top(),
            form->ListBox1->visualItemRect(form->ListBox1->item(0)).top() + 12);
}

TEST_F(MainWindowTest, TabOrder) {
  const QStringList expected = {"PageControl1", "ListView1", "TreeView1", "CheckBox1",
                                "Button5",      "Button1",   "Button2",   "Edit1",
                                "ListBox1",     "Memo1",     "Button6"};
  // Each widget that takes focus by Tab, named by its closest designed
  // ancestor (the tab bar stands for PageControl1).
  QStringList chain;
  QWidget *widget = form.get();
  do {
    widget = widget->nextInFocusChain();
    if (!(widget->focusPolicy() & Qt::TabFocus))
      continue;
    for (QWidget *named = widget; named != nullptr; named = named->parentWidget()) {
      if (expected.contains(named->objectName())) {
        if (chain.isEmpty() || chain.last() != named->objectName())
          chain.append(named->objectName());
        break;
      }
    }
  } while (widget != form.get());
  const qsizetype first = chain.indexOf(QStringLiteral("PageControl1"));
  ASSERT_GE(first, 0);
  EXPECT_EQ(chain.mid(first) + chain.mid(0, first), expected);
}

TEST_F(MainWindowTest, TabWalksTheVisibleControlsOfThePage) {
  showActive();
  form->PageControl1->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), form->PageControl1->tabBar());
  const QWidget *expected[] = {form->ListView1, form->CheckBox1, form->Button5, form->Button1,
                               form->PageControl1->tabBar()};
  for (const QWidget *next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, IdentityLabelShowsNameAddressAndUser) {
  EXPECT_EQ(form->Label1->text(), QStringLiteral("PC1( 192.0.2.20) LoginName: alice"));
  EXPECT_EQ(form->Label1->pos(), QPoint(144, 8));
  EXPECT_EQ(form->Label1->width(), form->Label1->sizeHint().width()) << "auto-sized";
  EXPECT_GT(form->Label1->width(), 100);
}

TEST(MainWindowIdentity, FailedAddressLookupLeavesItsPartEmpty) {
  TempFolder folder;
  testsupport::ScriptedNames names("pc1", "alice");
  testsupport::ScriptedResolver resolver; // knows no host
  TForm1 form(folder.file("velnor.ini"));
  EXPECT_EQ(form.Label1->text(), QStringLiteral("PC1( ) LoginName: alice"));
}

TEST(MainWindowIdentity, FailedNameQueriesLeaveTheirPartsEmpty) {
  TempFolder folder;
  testsupport::ScriptedNames names(std::nullopt, std::nullopt);
  testsupport::ScriptedResolver resolver;
  TForm1 form(folder.file("velnor.ini"));
  EXPECT_EQ(form.Label1->text(), QStringLiteral("( ) LoginName: "));
}

TEST(MainWindowIdentity, NamesAreShownAsText) {
  TempFolder folder;
  testsupport::ScriptedNames names("pc1", "<b>x</b>&y");
  testsupport::ScriptedResolver resolver;
  TForm1 form(folder.file("velnor.ini"));
  EXPECT_EQ(form.Label1->text(), QStringLiteral("PC1( ) LoginName: <b>x</b>&y"));
  EXPECT_EQ(form.Label1->textFormat(), Qt::PlainText);
}

TEST_F(MainWindowTest, CheckBoxShowsAndHidesTheTreeView) {
  form->CheckBox1->click();
  EXPECT_TRUE(form->CheckBox1->isChecked());
  EXPECT_FALSE(form->TreeView1->isHidden());
  form->CheckBox1->click();
  EXPECT_TRUE(form->TreeView1->isHidden());
  form->CheckBox1->setChecked(true);
  EXPECT_FALSE(form->TreeView1->isHidden()) << "a change made by code counts too";
}

TEST_F(MainWindowTest, CopyPutsExactlyTheMemoLinesAsPlainText) {
  form->Memo1->appendPlainText(QStringLiteral("PC1\t192.0.2.1\t00-11-22-33-44-55"));
  form->Memo1->appendPlainText(QStringLiteral("ＰＣ２\t192.0.2.2\t"));
  const QString expected =
      QStringLiteral("PC1\t192.0.2.1\t00-11-22-33-44-55\r\nＰＣ２\t192.0.2.2\t");
  QClipboard *clipboard = QGuiApplication::clipboard();

  clipboard->clear();
  form->N4Click();
  EXPECT_EQ(clipboard->text(), expected);
  ASSERT_NE(clipboard->mimeData(), nullptr);
  EXPECT_EQ(clipboard->mimeData()->formats(), QStringList{QStringLiteral("text/plain")});
  EXPECT_TRUE(form->Memo1->isHidden());

  for (auto trigger :
       {+[](TForm1 &f) { f.Button1->click(); }, +[](TForm1 &f) { f.Button6->click(); },
        +[](TForm1 &f) { f.N4->trigger(); }}) {
    clipboard->clear();
    trigger(*form);
    EXPECT_EQ(clipboard->text(), expected);
  }
}

TEST_F(MainWindowTest, CopyOfAnEmptyMemoLeavesTheClipboardAlone) {
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  form->N4Click();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
}

TEST_F(MainWindowTest, PopupMenuHoldsTheTwoItems) {
  QMenu *menu = form->findChild<QMenu *>(QStringLiteral("PopupMenu1"));
  ASSERT_EQ(menu, form->PopupMenu1);
  ASSERT_EQ(menu->actions(), (QList<QAction *>{form->N34, form->N4}));
  EXPECT_EQ(form->N34->objectName(), QStringLiteral("N34"));
  EXPECT_EQ(form->N34->text(), QStringLiteral("ホスト検索"));
  EXPECT_EQ(form->N34->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
  EXPECT_EQ(form->N4->objectName(), QStringLiteral("N4"));
  EXPECT_EQ(form->N4->text(), QStringLiteral("すべてクリップボードにコピー"));
  EXPECT_TRUE(form->N4->shortcut().isEmpty());
}

TEST_F(MainWindowTest, PopupMenuOpensOnTheListAndTheCopyButtonOnly) {
  form->show();
  const auto requestMenu = [](QWidget *target) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            target->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(target, &event);
  };
  for (QWidget *target : {static_cast<QWidget *>(form->ListView1->viewport()),
                          static_cast<QWidget *>(form->Button1)}) {
    requestMenu(target);
    EXPECT_TRUE(form->PopupMenu1->isVisible()) << target->objectName().toStdString();
    form->PopupMenu1->hide();
  }
  for (QWidget *target :
       {static_cast<QWidget *>(form->Button5), static_cast<QWidget *>(form->CheckBox1)}) {
    requestMenu(target);
    EXPECT_FALSE(form->PopupMenu1->isVisible()) << target->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, MenuItemsAreChosenWithTheLeftButtonOnly) {
  form->show();
  QSignalSpy chosen(form->N4, &QAction::triggered);
  form->PopupMenu1->popup(form->mapToGlobal(QPoint(100, 100)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(form->PopupMenu1));
  const QPoint item = form->PopupMenu1->actionGeometry(form->N4).center();
  QTest::mouseMove(form->PopupMenu1, item);
  QTest::mouseClick(form->PopupMenu1, Qt::RightButton, {}, item);
  EXPECT_EQ(chosen.count(), 0);
  EXPECT_TRUE(form->PopupMenu1->isVisible());
  QTest::mouseClick(form->PopupMenu1, Qt::LeftButton, {}, item);
  EXPECT_EQ(chosen.count(), 1);
  EXPECT_FALSE(form->PopupMenu1->isVisible());
}

TEST_F(MainWindowTest, CtrlNWorksOnTheListAndTheCopyButton) {
  EXPECT_TRUE(form->ListView1->actions().contains(form->N34));
  EXPECT_TRUE(form->Button1->actions().contains(form->N34));
  EXPECT_EQ(form->N34->shortcutContext(), Qt::WidgetWithChildrenShortcut);

  showActive();
  QSignalSpy fired(form->N34, &QAction::triggered);
  for (QWidget *target :
       {static_cast<QWidget *>(form->ListView1), static_cast<QWidget *>(form->Button1)}) {
    target->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), target);
    QTest::keyClick(target, Qt::Key_N, Qt::ControlModifier);
    // The search's dialog took the activation while it was drawn, and the
    // window takes it back when the search ends.
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  EXPECT_EQ(fired.count(), 2);

  for (QWidget *target :
       {static_cast<QWidget *>(form->CheckBox1), static_cast<QWidget *>(form->Button5)}) {
    target->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), target);
    QTest::keyClick(target, Qt::Key_N, Qt::ControlModifier);
  }
  EXPECT_EQ(fired.count(), 2) << "not from other controls";
}
