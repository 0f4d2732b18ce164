#include "ListViewRows.h"

#include "AnsiText.h"

#include <QHeaderView>

#include <windows.h>

ListViewItem::ListViewItem(const QString &caption) : QTableWidgetItem(caption, kType) {}

bool ListViewItem::operator<(const QTableWidgetItem &other) const {
  return lstrcmpA(toAnsi(text()).constData(), toAnsi(other.text()).constData()) < 0;
}

QTableWidgetItem *ListViewItem::clone() const {
  return new ListViewItem(*this);
}

void keepRowsInCaptionOrder(QTableWidget &table) {
  table.setItemPrototype(new ListViewItem);
  QHeaderView *header = table.horizontalHeader();
  // The header starts out descending; set the order before sorting is on.
  header->setSortIndicator(0, Qt::AscendingOrder);
  table.setSortingEnabled(true);
  header->setSortIndicatorShown(false);
  header->setSectionsClickable(false);
}

int appendListViewRow(QTableWidget &table, const QString &caption, const QStringList &subItems) {
  const int row = table.rowCount();
  table.insertRow(row);
  for (int column = 0; column < subItems.size() && column + 1 < table.columnCount(); ++column) {
    auto *subItem = new QTableWidgetItem(subItems[column]);
    subItem->setFlags(subItem->flags() & ~Qt::ItemIsEditable);
    table.setItem(row, column + 1, subItem);
  }
  auto *captionItem = new ListViewItem(caption);
  table.setItem(row, 0, captionItem);
  return captionItem->row();
}
