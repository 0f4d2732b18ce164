// The main window's design: its controls with their names, places, texts and
// settings, in tab order.
#include "FormFont.h"
#include "LeftButtonMenu.h"
#include "ListViewRows.h"
#include "Unit1.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>

namespace {

// Every item of a list box has the same height, whatever its font says.
class FixedItemHeightDelegate : public QStyledItemDelegate {
public:
  FixedItemHeightDelegate(int height, QObject *parent)
      : QStyledItemDelegate(parent), height_(height) {}

  QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(height_);
    return size;
  }

private:
  int height_;
};

constexpr int kListBoxItemHeight = 12;
constexpr int kListViewRowHeight = 16;
constexpr int kTreeViewIndent = 19;

template <typename Widget>
Widget *named(Widget *widget, const char *name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(left, top, width, height);
  return widget;
}

QPushButton *button(QWidget *page, const char *name, const QString &caption, int left, int top,
                    int width, int height) {
  return named(new QPushButton(caption, page), name, left, top, width, height);
}

} // namespace

// Qt chains focus in the order widgets are created, so the controls are
// created in tab order: the tab control first, then each page's controls.
// (Reordering afterwards with setTabOrder breaks the chain around compound
// widgets such as the tab control and the item views in this Qt version.)
void TForm1::createControls() {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Velnor"));
  // Dialog border: a caption with a close button; the user cannot resize,
  // minimize or maximize the window.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setFont(FormFont());
  setBackgroundRole(QPalette::Button);
  setAutoFillBackground(true);
  setFixedSize(DesignClientWidth, DesignClientHeight);
  move(DesignLeft, DesignTop);

  Label2 = named(new QLabel(QStringLiteral("ローカルホスト（アドレス） :"), this), "Label2", 8, 8,
                 132, 12);
  Label2->setTextFormat(Qt::PlainText);
  Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  // The designed size fits the text in the designed font; a substitute font
  // may need a few pixels more, and a cut-off label reads wrong.
  Label2->resize(Label2->size().expandedTo(Label2->sizeHint()));

  // Auto-sized to its text once the text is set.
  Label1 = named(new QLabel(this), "Label1", 144, 8, 0, 12);
  Label1->setTextFormat(Qt::PlainText);
  Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  PageControl1 = named(new QTabWidget(this), "PageControl1", 7, 24, 545, 289);

  TabSheet1 = new QWidget;
  TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
  PageControl1->addTab(TabSheet1, QStringLiteral("ＬＡＮ内ホスト検索"));

  ListView1 = named(new QTableWidget(0, 3, TabSheet1), "ListView1", 8, 29, 353, 233);
  ListView1->setHorizontalHeaderLabels(
      {QStringLiteral("ホスト名"), QStringLiteral("アドレス"), QStringLiteral("MACアドレス")});
  ListView1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ListView1->horizontalHeader()->setHighlightSections(false);
  ListView1->setColumnWidth(0, 100);
  ListView1->setColumnWidth(1, 100);
  ListView1->setColumnWidth(2, 140);
  ListView1->verticalHeader()->hide();
  ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  ListView1->verticalHeader()->setDefaultSectionSize(kListViewRowHeight);
  ListView1->setShowGrid(true);
  ListView1->setWordWrap(false);
  ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
  ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  // Only a caption can be edited, as with a list view's item labels.
  ListView1->setEditTriggers(QAbstractItemView::SelectedClicked |
                             QAbstractItemView::EditKeyPressed);
  // Tab leaves the list instead of walking its cells.
  ListView1->setTabKeyNavigation(false);
  ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
  KeepRowsInCaptionOrder(*ListView1);
  // The first search clears this row.
  AppendListViewRow(*ListView1, QString(), {QString()});

  TreeView1 = named(new QTreeWidget(TabSheet1), "TreeView1", 368, 29, 161, 220);
  TreeView1->setHeaderHidden(true);
  TreeView1->setIndentation(kTreeViewIndent);
  TreeView1->hide();

  CheckBox1 =
      named(new QCheckBox(QStringLiteral("ツリービュー"), TabSheet1), "CheckBox1", 376, 3, 97, 17);
  Button5 = button(TabSheet1, "Button5", QStringLiteral("ホスト検索"), 72, 0, 81, 25);
  Button1 = button(TabSheet1, "Button1", QStringLiteral("すべてコピー"), 200, 0, 81, 25);
  Button1->setContextMenuPolicy(Qt::CustomContextMenu);

  TabSheet2 = new QWidget;
  TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
  PageControl1->addTab(TabSheet2, QStringLiteral("ホストアドレス検索"));

  Button2 = button(TabSheet2, "Button2", QStringLiteral("ホストアドレス"), 16, 8, 89, 25);
  Edit1 = named(new QLineEdit(TabSheet2), "Edit1", 8, 40, 321, 20);
  ListBox1 = named(new QListWidget(TabSheet2), "ListBox1", 8, 72, 321, 65);
  ListBox1->setUniformItemSizes(true);
  ListBox1->setItemDelegate(new FixedItemHeightDelegate(kListBoxItemHeight, ListBox1));
  Memo1 = named(new QPlainTextEdit(TabSheet2), "Memo1", 8, 149, 345, 89);
  Memo1->hide();
  Button6 = button(TabSheet2, "Button6", QStringLiteral("コピー"), 128, 8, 75, 25);

  PageControl1->setCurrentWidget(TabSheet1);

  PopupMenu1 = new LeftButtonMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  N34 = PopupMenu1->addAction(QStringLiteral("ホスト検索"));
  N34->setObjectName(QStringLiteral("N34"));
  N34->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
  // The popup menu's shortcut works where the menu pops up: on the list and
  // on the copy button, including an editor open inside the list.
  N34->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  ListView1->addAction(N34);
  Button1->addAction(N34);
  N4 = PopupMenu1->addAction(QStringLiteral("すべてクリップボードにコピー"));
  N4->setObjectName(QStringLiteral("N4"));
}
