// The rows velnor-scan lists and the three forms it writes them in.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

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
QByteArray FormatRows(const QList<ScanRow> &rows, ScanFormat format);
