#include "ScanSweep.h"

#include "AnsiText.h"
#include "MacVendors.h"

#include <platform/lan.h>

#include <QtEndian>

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

} // namespace

QString SweepRange::text() const {
  return dotted(network) + u'/' + QString::number(prefixLength);
}

std::optional<SweepRange> ParseRange(const QString &text) {
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

std::vector<SweepRange> LocalRanges(QStringList &refused) {
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

std::vector<uint32_t> HostAddresses(const std::vector<SweepRange> &ranges) {
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

QList<ScanRow> SweepRows(const std::vector<uint32_t> &addresses, const QSet<QString> &listed,
                         const std::function<void(size_t, size_t)> &progress) {
  std::vector<platform::SweptHost> live;
  for (platform::SweptHost &host : platform::sweepNeighbours(addresses, progress))
    if (!listed.contains(dotted(toHost(host.address))))
      live.push_back(std::move(host));
  std::vector<uint32_t> unnamed;
  for (const platform::SweptHost &host : live)
    unnamed.push_back(host.address);
  const std::vector<platform::AddressName> names = platform::nameAddresses(unnamed);

  QList<ScanRow> rows;
  for (size_t i = 0; i < live.size(); ++i) {
    ScanRow row;
    row.computer = fromAnsi(names[i].name);
    row.address = dotted(toHost(live[i].address));
    row.mac = QString::fromLatin1(QByteArray(reinterpret_cast<const char *>(live[i].mac.data()),
                                             static_cast<qsizetype>(live[i].mac.size()))
                                      .toHex('-')
                                      .toUpper());
    row.vendor = SystemMacVendors().VendorOf(row.mac);
    row.foundBy << kFoundBySweep;
    if (names[i].source == platform::NameSource::Mdns)
      row.foundBy << kFoundByMdns;
    rows << row;
  }
  return rows;
}
