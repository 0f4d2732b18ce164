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

using formtest::control;
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

TEST_F(MainWindowTest, EveryControlHasItsNameKindPageAndText) {
  const DesignedControl design[] = {
      {"Label2", "QLabel", "Form1", QStringLiteral("ローカルホスト（アドレス） :")},
      {"PageControl1", "QTabWidget", "Form1", std::nullopt},
      {"ListView1", "QTableWidget", "TabSheet1", std::nullopt},
      {"TreeView1", "QTreeWidget", "TabSheet1", std::nullopt},
      {"CheckBox1", "QCheckBox", "TabSheet1", QStringLiteral("ツリービュー")},
      {"Button5", "QPushButton", "TabSheet1", QStringLiteral("ホスト検索")},
      {"Button1", "QPushButton", "TabSheet1", QStringLiteral("すべてコピー")},
      {"Button2", "QPushButton", "TabSheet2", QStringLiteral("ホストアドレス")},
      {"Button6", "QPushButton", "TabSheet2", QStringLiteral("コピー")},
      {"Edit1", "QLineEdit", "TabSheet2", QString()},
      {"ListBox1", "QListWidget", "TabSheet2", std::nullopt},
      {"Memo1", "QPlainTextEdit", "TabSheet2", QString()},
  };
  for (const DesignedControl &designed : design) {
    SCOPED_TRACE(designed.name);
    const auto *widget = control<QWidget>(*form, designed.name);
    EXPECT_TRUE(widget->inherits(designed.className)) << widget->metaObject()->className();
    EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(designed.page));
    EXPECT_EQ(controlText(widget), designed.text);
  }
}

TEST_F(MainWindowTest, LabelsShowTheirWholeText) {
  const QLabel *caption = control<QLabel>(*form, "Label2");
  const QLabel *identity = control<QLabel>(*form, "Label1");
  for (const QLabel *label : {caption, identity}) {
    const QFontMetrics metrics(label->font());
    EXPECT_GE(label->width(), metrics.horizontalAdvance(label->text()))
        << label->objectName().toStdString();
    EXPECT_GE(label->height(), metrics.height()) << label->objectName().toStdString();
  }
  EXPECT_LE(caption->geometry().right(), identity->x()) << "the labels do not overlap";
}

TEST_F(MainWindowTest, WindowIsAFixedDialogStyleWindowNamedVelnor) {
  EXPECT_EQ(form->objectName(), QStringLiteral("Form1"));
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Velnor"));
  EXPECT_TRUE(form->isWindow());
  EXPECT_EQ(form->minimumSize(), form->size()) << "the user cannot resize it";
  EXPECT_EQ(form->maximumSize(), form->size());
  for (QWidget *child : form->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
    EXPECT_TRUE(form->rect().contains(child->geometry()))
        << child->objectName().toStdString() << " fits in the window";
  const Qt::WindowFlags flags = form->windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
  EXPECT_EQ(form->font().families(), formFont().families());
  EXPECT_EQ(form->font().pixelSize(), 12);
  EXPECT_EQ(control<QTableWidget>(*form, "ListView1")->font().families(), formFont().families())
      << "children inherit it";
  EXPECT_EQ(form->backgroundRole(), QPalette::Button);
  EXPECT_TRUE(form->autoFillBackground());
}

TEST_F(MainWindowTest, TabPagesSitBelowTheTabsAndHoldTheirControls) {
  QTabWidget *tabs = control<QTabWidget>(*form, "PageControl1");
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->widget(0), control<QWidget>(*form, "TabSheet1"));
  EXPECT_EQ(tabs->widget(1), control<QWidget>(*form, "TabSheet2"));
  EXPECT_EQ(tabs->tabText(0), QStringLiteral("ＬＡＮ内ホスト検索"));
  EXPECT_EQ(tabs->tabText(1), QStringLiteral("ホストアドレス検索"));
  EXPECT_EQ(tabs->currentIndex(), 0) << "first page active at start";

  // With the tree view shown too, every control a page shows lies inside it
  // and clear of the others.
  control<QCheckBox>(*form, "CheckBox1")->setChecked(true);
  form->show();
  for (int index : {1, 0}) {
    tabs->setCurrentIndex(index);
    QCoreApplication::processEvents();
    QWidget *page = tabs->widget(index);
    SCOPED_TRACE(page->objectName().toStdString());
    EXPECT_GE(page->mapTo(tabs, QPoint(0, 0)).y(), tabs->tabBar()->height());
    QList<QWidget *> shown = page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    shown.removeIf([](const QWidget *child) { return child->isHidden(); });
    for (const QWidget *child : shown) {
      EXPECT_TRUE(page->rect().contains(child->geometry()))
          << child->objectName().toStdString() << " fits in the page";
      for (const QWidget *other : shown)
        EXPECT_TRUE(child == other || !child->geometry().intersects(other->geometry()))
            << child->objectName().toStdString() << " covers " << other->objectName().toStdString();
    }
  }
}

TEST_F(MainWindowTest, ListViewIsAReportWithOneEmptyRow) {
  QTableWidget *list = control<QTableWidget>(*form, "ListView1");
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
  EXPECT_TRUE(control<QTreeWidget>(*form, "TreeView1")->isHidden());
  EXPECT_EQ(control<QTreeWidget>(*form, "TreeView1")->indentation(), 19);
  EXPECT_FALSE(control<QCheckBox>(*form, "CheckBox1")->isChecked());
  EXPECT_TRUE(control<QPlainTextEdit>(*form, "Memo1")->isHidden());
  QListWidget *lines = control<QListWidget>(*form, "ListBox1");
  EXPECT_EQ(lines->count(), 0);

  lines->addItems({QStringLiteral("ホスト名 : PC1"), QStringLiteral("アドレス : x")});
  form->show();
  QCoreApplication::processEvents();
  EXPECT_EQ(lines->visualItemRect(lines->item(0)).height(), 12);
  EXPECT_EQ(lines->visualItemRect(lines->item(1)).top(),
            lines->visualItemRect(lines->item(0)).top() + 12);
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
  QTabWidget *tabs = control<QTabWidget>(*form, "PageControl1");
  tabs->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), tabs->tabBar());
  const QWidget *expected[] = {
      control<QWidget>(*form, "ListView1"), control<QWidget>(*form, "CheckBox1"),
      control<QWidget>(*form, "Button5"), control<QWidget>(*form, "Button1"), tabs->tabBar()};
  for (const QWidget *next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, IdentityLabelShowsNameAddressAndUser) {
  const QLabel *identity = control<QLabel>(*form, "Label1");
  EXPECT_EQ(identity->text(), QStringLiteral("PC1( 192.0.2.20) LoginName: alice"));
  EXPECT_EQ(identity->y(), control<QLabel>(*form, "Label2")->y()) << "on the line of its caption";
  EXPECT_EQ(identity->width(), identity->sizeHint().width()) << "auto-sized";
  EXPECT_GT(identity->width(), 100);
}

TEST(MainWindowIdentity, FailedAddressLookupLeavesItsPartEmpty) {
  TempFolder folder;
  testsupport::ScriptedNames names("pc1", "alice");
  testsupport::ScriptedResolver resolver; // knows no host
  TForm1 form(folder.file("velnor.ini"));
  EXPECT_EQ(control<QLabel>(form, "Label1")->text(), QStringLiteral("PC1( ) LoginName: alice"));
}

TEST(MainWindowIdentity, FailedNameQueriesLeaveTheirPartsEmpty) {
  TempFolder folder;
  testsupport::ScriptedNames names(std::nullopt, std::nullopt);
  testsupport::ScriptedResolver resolver;
  TForm1 form(folder.file("velnor.ini"));
  EXPECT_EQ(control<QLabel>(form, "Label1")->text(), QStringLiteral("( ) LoginName: "));
}

TEST(MainWindowIdentity, NamesAreShownAsText) {
  TempFolder folder;
  testsupport::ScriptedNames names("pc1", "<b>x</b>&y");
  testsupport::ScriptedResolver resolver;
  TForm1 form(folder.file("velnor.ini"));
  EXPECT_EQ(control<QLabel>(form, "Label1")->text(),
            QStringLiteral("PC1( ) LoginName: <b>x</b>&y"));
  EXPECT_EQ(control<QLabel>(form, "Label1")->textFormat(), Qt::PlainText);
}

TEST_F(MainWindowTest, CheckBoxShowsAndHidesTheTreeView) {
  QCheckBox *treeSwitch = control<QCheckBox>(*form, "CheckBox1");
  const QTreeWidget *tree = control<QTreeWidget>(*form, "TreeView1");
  treeSwitch->click();
  EXPECT_TRUE(treeSwitch->isChecked());
  EXPECT_FALSE(tree->isHidden());
  treeSwitch->click();
  EXPECT_TRUE(tree->isHidden());
  treeSwitch->setChecked(true);
  EXPECT_FALSE(tree->isHidden()) << "a change made by code counts too";
}

TEST_F(MainWindowTest, CopyPutsExactlyTheMemoLinesAsPlainText) {
  QPlainTextEdit *memo = control<QPlainTextEdit>(*form, "Memo1");
  memo->appendPlainText(QStringLiteral("PC1\t192.0.2.1\t00-11-22-33-44-55"));
  memo->appendPlainText(QStringLiteral("ＰＣ２\t192.0.2.2\t"));
  const QString expected =
      QStringLiteral("PC1\t192.0.2.1\t00-11-22-33-44-55\r\nＰＣ２\t192.0.2.2\t");
  QClipboard *clipboard = QGuiApplication::clipboard();

  clipboard->clear();
  form->N4Click();
  EXPECT_EQ(clipboard->text(), expected);
  ASSERT_NE(clipboard->mimeData(), nullptr);
  EXPECT_EQ(clipboard->mimeData()->formats(), QStringList{QStringLiteral("text/plain")});
  EXPECT_TRUE(memo->isHidden());

  for (auto trigger : {+[](TForm1 &f) { control<QPushButton>(f, "Button1")->click(); },
                       +[](TForm1 &f) { control<QPushButton>(f, "Button6")->click(); },
                       +[](TForm1 &f) { control<QAction>(f, "N4")->trigger(); }}) {
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
  QAction *search = control<QAction>(*form, "N34");
  QAction *copyAll = control<QAction>(*form, "N4");
  EXPECT_EQ(control<QMenu>(*form, "PopupMenu1")->actions(), (QList<QAction *>{search, copyAll}));
  EXPECT_EQ(search->text(), QStringLiteral("ホスト検索"));
  EXPECT_EQ(search->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
  EXPECT_EQ(copyAll->text(), QStringLiteral("すべてクリップボードにコピー"));
  EXPECT_TRUE(copyAll->shortcut().isEmpty());
}

TEST_F(MainWindowTest, PopupMenuOpensOnTheListAndTheCopyButtonOnly) {
  form->show();
  QMenu *menu = control<QMenu>(*form, "PopupMenu1");
  const auto requestMenu = [](QWidget *target) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            target->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(target, &event);
  };
  for (QWidget *target : {control<QTableWidget>(*form, "ListView1")->viewport(),
                          control<QWidget>(*form, "Button1")}) {
    requestMenu(target);
    EXPECT_TRUE(menu->isVisible()) << target->objectName().toStdString();
    menu->hide();
  }
  for (QWidget *target :
       {control<QWidget>(*form, "Button5"), control<QWidget>(*form, "CheckBox1")}) {
    requestMenu(target);
    EXPECT_FALSE(menu->isVisible()) << target->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, MenuItemsAreChosenWithTheLeftButtonOnly) {
  form->show();
  QMenu *menu = control<QMenu>(*form, "PopupMenu1");
  QAction *copyAll = control<QAction>(*form, "N4");
  QSignalSpy chosen(copyAll, &QAction::triggered);
  menu->popup(form->mapToGlobal(QPoint(100, 100)));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
  const QPoint item = menu->actionGeometry(copyAll).center();
  QTest::mouseMove(menu, item);
  QTest::mouseClick(menu, Qt::RightButton, {}, item);
  EXPECT_EQ(chosen.count(), 0);
  EXPECT_TRUE(menu->isVisible());
  QTest::mouseClick(menu, Qt::LeftButton, {}, item);
  EXPECT_EQ(chosen.count(), 1);
  EXPECT_FALSE(menu->isVisible());
}

TEST_F(MainWindowTest, CtrlNWorksOnTheListAndTheCopyButton) {
  QAction *search = control<QAction>(*form, "N34");
  QWidget *list = control<QWidget>(*form, "ListView1");
  QWidget *copyAll = control<QWidget>(*form, "Button1");
  EXPECT_TRUE(list->actions().contains(search));
  EXPECT_TRUE(copyAll->actions().contains(search));
  EXPECT_EQ(search->shortcutContext(), Qt::WidgetWithChildrenShortcut);

  showActive();
  QSignalSpy fired(search, &QAction::triggered);
  for (QWidget *target : {list, copyAll}) {
    target->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), target);
    QTest::keyClick(target, Qt::Key_N, Qt::ControlModifier);
    // The search's dialog took the activation while it was drawn, and the
    // window takes it back when the search ends.
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  }
  EXPECT_EQ(fired.count(), 2);

  for (QWidget *target :
       {control<QWidget>(*form, "CheckBox1"), control<QWidget>(*form, "Button5")}) {
    target->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), target);
    QTest::keyClick(target, Qt::Key_N, Qt::ControlModifier);
  }
  EXPECT_EQ(fired.count(), 2) << "not from other controls";
}
