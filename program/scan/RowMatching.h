// Which row of an earlier search is which row of this one, and what changed.
#pragma once

#include "ScanRows.h"

// Pairs the rows in three rounds, each over the rows still unpaired:
//   1. by MAC address, where both rows have one (among several rows of one
//      MAC, those of the same address first, then of the same name);
//   2. by computer name, case ignored, where both have one;
//   3. by address.
// A pair is Mac when both have a MAC and they differ, else Address when the
// addresses differ. A row with no MAC whose pair had one is Gone (the
// browse list or WINS still names a computer that no longer answers ARP),
// with both rows; the other way round it is New, with the row of now only.
// Unpaired rows are New or Gone.
// The result holds the rows of `now` in their order, then the gone rows of
// `before` in theirs.
QList<ComparedRow> compareRows(const QList<ScanRow> &before, const QList<ScanRow> &now);

bool anyChange(const QList<ComparedRow> &rows);
