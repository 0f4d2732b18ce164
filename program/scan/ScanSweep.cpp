#include "ScanSweep.h"

#include "AnsiText.h"
#include "MacVendors.h"

#include <platform/lan.h>

#include <QtEndian>

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include <set>

namespace {

uint32_t maskOf(int prefixLength) {
  return prefixLength == 0 ? 0 : ~uint32_t{0} << (32 - prefixLength);
}

QString dotted(uint32_t hostOrder) {
  return QStringLiteral("%1.%2.%3.%4")
      .arg(hostOrder >> 24)
      .arg(hostOrder >> 16 & 0xFF)
      .arg(hostOrder >> 8 & 0xFF)
      .arg(hostOrder & 0xFF);
}

// Addresses cross to the platform in network byte order.
uint32_t toNetwork(uint32_t hostOrder) {
  return qToBigEndian(hostOrder);
}
uint32_t toHost(uint32_t networkOrder) {
  return qFromBigEndian(networkOrder);
}

// Names each host as soon as the sweep finds it, while the sweep still waits
// for the others: at most platform::kNamingsAtOnce at a time.
class Naming {
public:
  ~Naming() { finish(); }

  void add(uint32_t address) {
    std::lock_guard guard(lock_);
    queue_.push_back(address);
    if (workers_.size() < platform::kNamingsAtOnce && workers_.size() < queue_.size() + busy_)
      workers_.emplace_back(&Naming::work, this);
    wake_.notify_one();
  }

  // Waits for every naming; the names by address.
  std::map<uint32_t, platform::AddressName> finish() {
    {
      std::lock_guard guard(lock_);
      done_ = true;
    }
    wake_.notify_all();
    for (std::thread &worker : workers_)
      worker.join();
    workers_.clear();
    return names_;
  }

private:
  void work() {
    std::unique_lock hold(lock_);
    for (;;) {
      wake_.wait(hold, [&] { return !queue_.empty() || done_; });
      if (queue_.empty())
        return;
      const uint32_t address = queue_.front();
      queue_.pop_front();
      ++busy_;
      hold.unlock();
      platform::AddressName name = platform::nameAddresses({address}).front();
      hold.lock();
      --busy_;
      names_[address] = std::move(name);
    }
  }

  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<uint32_t> queue_;
  size_t busy_ = 0;
  bool done_ = false;
  std::vector<std::thread> workers_;
  std::map<uint32_t, platform::AddressName> names_;
};

} // namespace

QString SweepRange::text() const {
  return dotted(network) + u'/' + QString::number(prefixLength);
}

std::optional<SweepRange> parseRange(const QString &text) {
  const qsizetype slash = text.indexOf(u'/');
  if (slash < 0)
    return std::nullopt;
  bool ok = false;
  const int prefixLength = text.mid(slash + 1).toInt(&ok);
  const QStringList parts = text.left(slash).split(u'.');
  if (!ok || prefixLength < 0 || prefixLength > 32 || parts.size() != 4)
    return std::nullopt;
  uint32_t value = 0;
  for (const QString &part : parts) {
    const uint partValue = part.toUInt(&ok);
    if (!ok || part.isEmpty() || part.size() > 3 || partValue > 255)
      return std::nullopt;
    value = value << 8 | partValue;
  }
  return SweepRange{value & maskOf(prefixLength), prefixLength};
}

std::vector<SweepRange> localRanges(QStringList &refused) {
  std::vector<SweepRange> ranges;
  for (const platform::LocalSubnet &subnet : platform::localSubnets()) {
    const SweepRange range{toHost(subnet.address) & maskOf(subnet.prefixLength),
                           subnet.prefixLength};
    if (range.prefixLength < kLargestDefaultPrefix) {
      refused << QStringLiteral("not sweeping %1 on %2: larger than /%3 (name it with --range=%1)")
                     .arg(range.text(), QString::fromStdString(subnet.interfaceName))
                     .arg(kLargestDefaultPrefix);
      continue;
    }
    ranges.push_back(range);
  }
  return ranges;
}

std::vector<uint32_t> hostAddresses(const std::vector<SweepRange> &ranges) {
  std::vector<uint32_t> addresses;
  std::set<uint32_t> seen;
  for (const SweepRange &range : ranges) {
    const uint64_t size = uint64_t{1} << (32 - range.prefixLength);
    // /31 and /32 have no network or broadcast address.
    const uint64_t first = size > 2 ? 1 : 0;
    const uint64_t last = size > 2 ? size - 2 : size - 1;
    for (uint64_t offset = first; offset <= last; ++offset) {
      const uint32_t address = toNetwork(range.network + static_cast<uint32_t>(offset));
      if (seen.insert(address).second)
        addresses.push_back(address);
    }
  }
  return addresses;
}

QList<ScanRow> sweepRows(const std::vector<uint32_t> &addresses, const QSet<QString> &listed,
                         const std::function<void(size_t, size_t)> &progress,
                         platform::HeldEntries held) {
  const auto unlisted = [&](uint32_t address) { return !listed.contains(dotted(toHost(address))); };
  Naming naming;
  std::vector<platform::SweptHost> live;
  for (platform::SweptHost &host : platform::sweepNeighbours(
           addresses, progress,
           [&](const platform::SweptHost &found) {
             if (unlisted(found.address))
               naming.add(found.address);
           },
           held))
    if (unlisted(host.address))
      live.push_back(std::move(host));
  std::map<uint32_t, platform::AddressName> names = naming.finish();

  QList<ScanRow> rows;
  for (size_t i = 0; i < live.size(); ++i) {
    ScanRow row;
    const platform::AddressName &name = names[live[i].address];
    row.computer = fromAnsi(name.name);
    row.address = dotted(toHost(live[i].address));
    row.mac = QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(live[i].mac.data()),
                                             static_cast<qsizetype>(live[i].mac.size()))
                                      .toHex('-')
                                      .toUpper());
    row.vendor = systemMacVendors().vendorOf(row.mac);
    row.foundBy << kFoundBySweep;
    if (name.source == platform::NameSource::Mdns)
      row.foundBy << kFoundByMdns;
    rows << row;
  }
  return rows;
}
