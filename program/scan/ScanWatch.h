// velnor-scan --watch: a search every so often, and a line of JSON for each
// change against the search before.
#pragma once

#include "ScanSearch.h"

#include <QDateTime>

#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>

constexpr int kShortestWatchSeconds = 10;
constexpr int kLongestWatchSeconds = 7 * 24 * 3600;

struct WatchSettings {
  SearchOptions search;
  // From the start of one search to the start of the next; a search that
  // takes longer is followed by the next at once.
  std::chrono::milliseconds interval{kShortestWatchSeconds * 1000};
  // What the first search is compared with: nothing (every row is new) or
  // the rows of --compare's file.
  QList<ScanRow> before;
  // 0: until SIGINT or SIGTERM. Otherwise that many searches (the memory
  // bench).
  int rounds = 0;
  std::FILE *output = stdout;
  std::function<void(int round)> afterRound;
};

// Runs the searches; each change becomes one line on `output`:
//   {"time":"2026-12-09T04:40:00Z","change":"gone","before":{...},"after":null}
// with the rows in the form of --format=json (null where there is none).
// SIGINT and SIGTERM end the process at once with status 0, but never in the
// middle of a line. WinSock must be started.
void watchLan(const WatchSettings &settings);

// The line watchLan writes for `row`, line feed included.
QByteArray changeLine(const ComparedRow &row, const QDateTime &time);
