// The parts of the main window's design that Unit1.ui cannot hold; the
// controls, their names, places, texts and tab order are in Unit1.ui.
#include "FormFont.h"
#include "LeftButtonMenu.h"
#include "ListViewRows.h"
#include "Unit1.h"
#include "ui_Unit1.h"

#include <QStyledItemDelegate>

#include <algorithm>

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

} // namespace

void TForm1::completeDesign() {
  // Dialog border: a caption with a close button; the user cannot resize,
  // minimize or maximize the window.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  // The .ui file names the design font only; this adds its substitutes.
  setFont(formFont());
  setBackgroundRole(QPalette::Button);
  move(kDesignLeft, kDesignTop);

  // The designed size fits the text in the designed font; a substitute font
  // may need more, and a cut-off label reads wrong. Label1 then starts where
  // Label2 ends if that is past its designed place, so the two never overlap.
  ui_->Label2->resize(ui_->Label2->size().expandedTo(ui_->Label2->sizeHint()));
  ui_->Label1->move(std::max(ui_->Label1->x(), ui_->Label2->x() + ui_->Label2->width()),
                    ui_->Label1->y());

  ui_->ListView1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  ui_->ListView1->setColumnWidth(0, 100);
  ui_->ListView1->setColumnWidth(1, 100);
  ui_->ListView1->setColumnWidth(2, 140);
  ui_->ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  keepRowsInCaptionOrder(*ui_->ListView1);
  // The first search clears this row.
  appendListViewRow(*ui_->ListView1, QString(), {QString()});

  ui_->TreeView1->hide();
  ui_->Memo1->hide();
  ui_->ListBox1->setItemDelegate(new FixedItemHeightDelegate(kListBoxItemHeight, ui_->ListBox1));

  PopupMenu1 = new LeftButtonMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  PopupMenu1->addActions({ui_->N34, ui_->N4});
  // The popup menu's shortcut works where the menu pops up: on the list and
  // on the copy button, including an editor open inside the list.
  ui_->ListView1->addAction(ui_->N34);
  ui_->Button1->addAction(ui_->N34);
}
