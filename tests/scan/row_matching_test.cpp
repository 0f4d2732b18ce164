// The rule that pairs a row of an earlier search with a row of this one:
// MAC address first, then computer name, then address; and what each pair
// or lone row counts as.
#include "RowMatching.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "NAME|ADDRESS|MAC", any part empty.
ScanRow row(const char *text) {
  const QStringList parts = QString::fromUtf8(text).split(u'|');
  ScanRow made;
  made.computer = parts.value(0);
  made.address = parts.value(1);
  made.mac = parts.value(2);
  return made;
}

QList<ScanRow> rows(const std::vector<const char *> &texts) {
  QList<ScanRow> made;
  for (const char *text : texts)
    made << row(text);
  return made;
}

// "change before-address>now-address", one a row, in the result's order.
std::vector<std::string> outcome(const QList<ComparedRow> &compared) {
  std::vector<std::string> lines;
  for (const ComparedRow &pair : compared)
    lines.push_back(
        ((changeWord(pair.change).isEmpty() ? QStringLiteral("none") : changeWord(pair.change)) +
         u' ' + (pair.before ? pair.before->address : QString()) + u'>' +
         (pair.now ? pair.now->address : QString()))
            .toStdString());
  return lines;
}

struct Case {
  const char *what;
  std::vector<const char *> before;
  std::vector<const char *> now;
  std::vector<std::string> expected;
};

const Case kCases[] = {
    {"unchanged",
     {"PC1|10.0.0.1|02-00-00-00-00-01"},
     {"PC1|10.0.0.1|02-00-00-00-00-01"},
     {"none 10.0.0.1>10.0.0.1"}},
    {"the same card at another address",
     {"PC1|10.0.0.1|02-00-00-00-00-01"},
     {"PC1|10.0.0.7|02-00-00-00-00-01"},
     {"address 10.0.0.1>10.0.0.7"}},
    {"MAC beats name: a renamed card stays itself, the name's old card is gone",
     {"PC1|10.0.0.1|02-00-00-00-00-01", "PC2|10.0.0.2|02-00-00-00-00-02"},
     {"PC1|10.0.0.2|02-00-00-00-00-02"},
     {"none 10.0.0.2>10.0.0.2", "gone 10.0.0.1>"}},
    {"the same name with another card",
     {"PC1|10.0.0.1|02-00-00-00-00-01"},
     {"pc1|10.0.0.1|02-00-00-00-00-02"},
     {"mac 10.0.0.1>10.0.0.1"}},
    {"the same unnamed address with another card (ARP flip flop)",
     {"|10.0.0.9|02-00-00-00-00-01"},
     {"|10.0.0.9|02-00-00-00-00-02"},
     {"mac 10.0.0.9>10.0.0.9"}},
    {"name beats address",
     {"PC1|10.0.0.1|", "PC2|10.0.0.2|"},
     {"PC1|10.0.0.2|"},
     {"address 10.0.0.1>10.0.0.2", "gone 10.0.0.2>"}},
    {"a MAC shared by two addresses pairs each address with its own",
     {"GW|10.0.0.1|02-00-00-00-00-01", "|10.0.0.2|02-00-00-00-00-01"},
     {"|10.0.0.2|02-00-00-00-00-01", "GW|10.0.0.1|02-00-00-00-00-01"},
     {"none 10.0.0.2>10.0.0.2", "none 10.0.0.1>10.0.0.1"}},
    {"a MAC shared by two addresses, one of them gone",
     {"|10.0.0.1|02-00-00-00-00-01", "|10.0.0.2|02-00-00-00-00-01"},
     {"|10.0.0.2|02-00-00-00-00-01"},
     {"none 10.0.0.2>10.0.0.2", "gone 10.0.0.1>"}},
    {"rows without a MAC pair by name, then address",
     {"REMOTE|192.168.5.4|", "|192.168.5.9|"},
     {"REMOTE|192.168.5.4|", "|192.168.5.9|"},
     {"none 192.168.5.4>192.168.5.4", "none 192.168.5.9>192.168.5.9"}},
    {"still named but no longer answering ARP is gone",
     {"PC1|10.0.0.1|02-00-00-00-00-01"},
     {"PC1|10.0.0.1|"},
     {"gone 10.0.0.1>10.0.0.1"}},
    {"answering ARP again is new",
     {"PC1|10.0.0.1|"},
     {"PC1|10.0.0.1|02-00-00-00-00-01"},
     {"new >10.0.0.1"}},
    {"other tools' MAC spelling",
     {"PC1|10.0.0.1|02:00:00:00:00:0a"},
     {"PC1|10.0.0.1|02-00-00-00-00-0A"},
     {"none 10.0.0.1>10.0.0.1"}},
    {"nothing now: all gone", {"PC1|10.0.0.1|02-00-00-00-00-01"}, {}, {"gone 10.0.0.1>"}},
    {"nothing before: all new", {}, {"PC1|10.0.0.1|02-00-00-00-00-01"}, {"new >10.0.0.1"}},
};

TEST(RowMatching, Table) {
  for (const Case &test : kCases) {
    SCOPED_TRACE(test.what);
    EXPECT_EQ(outcome(compareRows(rows(test.before), rows(test.now))), test.expected);
  }
}

} // namespace
