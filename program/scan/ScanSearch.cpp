#include "ScanSearch.h"

#include "AnsiText.h"
#include "LanHostSearch.h"
#include "MacVendors.h"

#include <platform/lan.h>

#include <QSet>

#include <cstdio>
#include <unistd.h>

namespace {

// Progress goes to a terminal only, on one line that is redrawn.
class Progress {
public:
  Progress() : on_(::isatty(STDERR_FILENO) == 1) {}
  ~Progress() { show(QString()); }

  void show(const QString &text) {
    if (!on_ || (text.isEmpty() && !shown_))
      return;
    std::fprintf(stderr, "\r%s\033[K", text.toLocal8Bit().constData());
    std::fflush(stderr);
    shown_ = !text.isEmpty();
  }

private:
  bool on_;
  bool shown_ = false;
};

// Collects the search's rows with the workgroup and shares of each computer.
class ScanSink final : public LanHostSearchSink {
public:
  explicit ScanSink(Progress &progress) : progress_(progress) {}

  void workgroupFound(const QString &workgroup) override { workgroup_ = workgroup; }
  void computerFound(const QString &) override { shares_.clear(); }
  void shareFound(const QString &shareLabel) override { shares_ << shareLabel; }
  bool progressReported(int Total, int Current) override {
    progress_.show(
        QStringLiteral("searching %1: %2 of %3").arg(workgroup_).arg(Current + 1).arg(Total + 1));
    return true;
  }
  bool pendingInputHandled() override { return true; }
  void hostFound(const QString &HostName, const QString &Address, const QString &mac) override {
    ScanRow row{workgroup_, HostName, Address, mac, systemMacVendors().vendorOf(mac), shares_, {}};
    const unsigned sources = platform::computerSources(toAnsi(HostName).toStdString());
    if (sources & platform::kListedByBrowseList)
      row.foundBy << kFoundByBrowseList;
    if (sources & platform::kListedByWsDiscovery)
      row.foundBy << kFoundByWsDiscovery;
    rows << row;
  }

  QList<ScanRow> rows;

private:
  Progress &progress_;
  QString workgroup_;
  QStringList shares_;
};

} // namespace

QList<ScanRow> searchLan(const SearchOptions &options, QStringList &refused) {
  Progress progress;
  ScanSink sink(progress);
  searchLanHosts(sink);
  QList<ScanRow> rows = std::move(sink.rows);
  if (!options.sweep)
    return rows;
  std::vector<SweepRange> ranges = options.ranges;
  if (ranges.empty())
    ranges = localRanges(refused);
  QSet<QString> listed;
  for (const ScanRow &row : rows)
    listed.insert(row.address);
  rows << sweepRows(
      hostAddresses(ranges), listed,
      [&](size_t done, size_t total) {
        progress.show(QStringLiteral("sweeping: %1 of %2").arg(done).arg(total));
      },
      options.confirmHeld ? platform::HeldEntries::Confirmed : platform::HeldEntries::Trusted);
  return rows;
}
