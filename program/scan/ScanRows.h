// The rows velnor-scan lists, the three forms it writes them in, with or
// without what changed against an earlier search, and the reading of an
// earlier search's JSON.
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

struct ScanRow {
  QString workgroup; // empty for a host only the sweep found
  QString computer;  // empty when nothing named a swept host
  QString address;
  QString mac; // the window's MAC text, or empty
  QString vendor;
  QStringList shares;
  QStringList foundBy; // of kFoundBy*, in that order
};

inline const QString kFoundByBrowseList = QStringLiteral("browse list");
inline const QString kFoundByWsDiscovery = QStringLiteral("WS-Discovery");
inline const QString kFoundByMdns = QStringLiteral("mDNS");
inline const QString kFoundBySweep = QStringLiteral("sweep");

enum class ScanFormat { Text, Csv, Json };

// Text: the lines the window's copy text holds, each ending in a line feed.
// CSV: RFC 4180 with a header row, CRLF line ends; shares and sources joined
// by ";", which no share name may hold. JSON: one array of objects.
QByteArray formatRows(const QList<ScanRow> &rows, ScanFormat format);

// What became of a row against an earlier search.
enum class RowChange {
  None,
  New,     // not there before, or it did not answer ARP before and does now
  Gone,    // not there now, or it answered ARP before and does not now
  Address, // the same computer or card at another address
  Mac,     // the same address or computer name with another card
};

QString changeWord(RowChange change); // "", "new", "gone", "address", "mac"

// One row of a comparison: `before` is the row of the earlier search, `now`
// the row of this one; New has no `before`, and Gone no `now` unless the
// computer is still listed but no longer answers ARP.
struct ComparedRow {
  RowChange change = RowChange::None;
  std::optional<ScanRow> before;
  std::optional<ScanRow> now;

  // The row to list: the one found now, or the earlier one when gone.
  const ScanRow &listed() const { return now ? *now : *before; }
};

// The forms of formatRows with the change of each row: text marks it in a
// first column ('+' new, '-' gone, '~' address or MAC, ' ' none) and names
// the earlier address or MAC after a changed row that is listed now; CSV and JSON add `change`
// and the earlier computer, address and MAC of every row found before too.
QByteArray formatChanges(const QList<ComparedRow> &rows, ScanFormat format);

// A row as one JSON object of the fields of --format=json.
QJsonObject rowObject(const ScanRow &row);

// The rows of what --format=json wrote, rows it marked gone and found no
// more (no `previous`) left out, so that a comparison's output serves as
// the next one's earlier search. Fields
// it does not know are passed over. std::nullopt with `error` set when the
// text is no such array.
std::optional<QList<ScanRow>> rowsFromJson(const QByteArray &json, QString &error);
