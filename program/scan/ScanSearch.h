// One search as velnor-scan makes it: the window's search of the browse list,
// then, when asked, the sweep of the local subnets or of named ranges.
#pragma once

#include "ScanRows.h"
#include "ScanSweep.h"

#include <vector>

struct SearchOptions {
  bool sweep = false;
  std::vector<SweepRange> ranges; // empty: the local subnets
  // A comparison must not take a host switched off for one still there:
  // the sweep counts what the kernel holds only once an answer confirms it.
  bool confirmHeld = false;
};

// The rows found, browse list first. Each local subnet the sweep leaves out
// adds a message to `refused`. Progress shows on standard error when it is a
// terminal. WinSock must be started.
QList<ScanRow> searchLan(const SearchOptions &options, QStringList &refused);
