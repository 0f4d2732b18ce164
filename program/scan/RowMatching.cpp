#include "RowMatching.h"

#include <QHash>

#include <deque>
#include <functional>
#include <vector>

namespace {

constexpr qsizetype kUnpaired = -1;

// MAC texts from other tools may use ':' or lower case.
QString macKey(const QString &mac) {
  QString key = mac.trimmed().toUpper();
  key.replace(u':', u'-');
  return key;
}

RowChange changeOf(const ScanRow &before, const ScanRow &now) {
  const bool answeredBefore = !before.mac.isEmpty();
  const bool answersNow = !now.mac.isEmpty();
  if (answeredBefore && !answersNow)
    return RowChange::Gone;
  if (!answeredBefore && answersNow)
    return RowChange::New;
  if (answersNow && macKey(before.mac) != macKey(now.mac))
    return RowChange::Mac;
  if (before.address != now.address)
    return RowChange::Address;
  return RowChange::None;
}

class Pairing {
public:
  Pairing(const QList<ScanRow> &before, const QList<ScanRow> &now)
      : before_(before), now_(now), pairOfNow_(now.size(), kUnpaired),
        paired_(before.size(), false) {}

  // Pairs every unpaired row of now with the first unpaired earlier row of
  // the same key; rows whose key is empty take no part. Keys are looked up,
  // so that a large sweep compares in linear time.
  void pair(const std::function<QString(const ScanRow &)> &keyOf) {
    QHash<QString, std::deque<qsizetype>> unpaired;
    for (qsizetype b = 0; b < before_.size(); ++b)
      if (!paired_[b])
        if (const QString key = keyOf(before_[b]); !key.isEmpty())
          unpaired[key].push_back(b);
    for (qsizetype n = 0; n < now_.size(); ++n) {
      if (pairOfNow_[n] != kUnpaired)
        continue;
      const auto candidates = unpaired.find(keyOf(now_[n]));
      if (candidates == unpaired.end() || candidates->empty())
        continue;
      pairOfNow_[n] = candidates->front();
      paired_[candidates->front()] = true;
      candidates->pop_front();
    }
  }

  QList<ComparedRow> result() const {
    QList<ComparedRow> rows;
    for (qsizetype n = 0; n < now_.size(); ++n) {
      const qsizetype b = pairOfNow_[n];
      if (b == kUnpaired) {
        rows.append({RowChange::New, std::nullopt, now_[n]});
        continue;
      }
      const RowChange change = changeOf(before_[b], now_[n]);
      if (change == RowChange::New)
        rows.append({change, std::nullopt, now_[n]});
      else
        rows.append({change, before_[b], now_[n]});
    }
    for (qsizetype b = 0; b < before_.size(); ++b)
      if (!paired_[b])
        rows.append({RowChange::Gone, before_[b], std::nullopt});
    return rows;
  }

private:
  const QList<ScanRow> &before_;
  const QList<ScanRow> &now_;
  std::vector<qsizetype> pairOfNow_;
  std::vector<bool> paired_;
};

} // namespace

QList<ComparedRow> compareRows(const QList<ScanRow> &before, const QList<ScanRow> &now) {
  const auto mac = [](const ScanRow &row) { return macKey(row.mac); };
  const auto name = [](const ScanRow &row) { return row.computer.toLower(); };
  // A key of two parts is empty unless both are there.
  const auto both = [](const QString &first, const QString &second) {
    return first.isEmpty() || second.isEmpty() ? QString() : first + u'|' + second;
  };
  Pairing pairing(before, now);
  pairing.pair([&](const ScanRow &row) { return both(mac(row), row.address); });
  pairing.pair([&](const ScanRow &row) { return both(mac(row), name(row)); });
  pairing.pair(mac);
  pairing.pair(name);
  pairing.pair([](const ScanRow &row) { return row.address; });
  return pairing.result();
}

bool anyChange(const QList<ComparedRow> &rows) {
  for (const ComparedRow &row : rows)
    if (row.change != RowChange::None)
      return true;
  return false;
}
