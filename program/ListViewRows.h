// Rows of the host table (ListView1): kept in ascending order of their
// caption, compared as the platform's lstrcmpA compares the captions' 8-bit
// text. The table sorts on column 0 and moves a row as soon as its caption
// item is set or its text changes, so a row's other cells are set first.
#pragma once

#include <QStringList>
#include <QTableWidget>
#include <QTableWidgetItem>

// The caption (column 0) item. Every caption item of the table must be one:
// the table compares rows through the caption item's operator<.
class ListViewItem : public QTableWidgetItem {
public:
  static constexpr int kType = QTableWidgetItem::UserType + 1;

  explicit ListViewItem(const QString &caption = QString());

  bool operator<(const QTableWidgetItem &other) const override;
  QTableWidgetItem *clone() const override;
};

// Sets up the sorted report view: caption order, no sort indicator and no
// re-sorting by header clicks.
void keepRowsInCaptionOrder(QTableWidget &table);

// Adds a row with a caption and sub-items (columns 1, 2, ...) and returns the
// row it was sorted to.
int appendListViewRow(QTableWidget &table, const QString &caption, const QStringList &subItems);
