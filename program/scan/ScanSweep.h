// velnor-scan's sweep: which addresses it asks, and the rows of the live
// hosts the search of the browse list did not list.
#pragma once

#include "ScanRows.h"

#include <platform/lan.h>

#include <QSet>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct SweepRange {
  uint32_t network = 0; // host byte order
  int prefixLength = 0;
  QString text() const;
};

// Subnets larger than this are swept only when --range names them.
constexpr int kLargestDefaultPrefix = 22;
// No range larger than this is swept at all (65534 hosts).
constexpr int kLargestNamedPrefix = 16;

// "A.B.C.D/N", with the address inside the range; std::nullopt otherwise.
std::optional<SweepRange> parseRange(const QString &text);

// The ranges of this machine's subnets; each one larger than
// kLargestDefaultPrefix is left out with a message in `refused`.
std::vector<SweepRange> localRanges(QStringList &refused);

// The hosts of the ranges: without the network and broadcast addresses, as
// long as the range has room for them. Network byte order, no repeats.
std::vector<uint32_t> hostAddresses(const std::vector<SweepRange> &ranges);

// The live hosts among `addresses` whose address is not in `listed`, named
// where something answers for them. `progress` gets (done, total). `held`:
// whether what the kernel's neighbour table holds counts at once.
QList<ScanRow> sweepRows(const std::vector<uint32_t> &addresses, const QSet<QString> &listed,
                         const std::function<void(size_t, size_t)> &progress,
                         platform::HeldEntries held = platform::HeldEntries::Trusted);
