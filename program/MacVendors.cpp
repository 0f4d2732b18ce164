#include "MacVendors.h"

#include <QFile>
#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kMacBits = 48;
constexpr std::array<int, 3> kBlockBits = {36, 28, 24};
// An organisation's name is the third column of every registry file.
constexpr int kAssignmentColumn = 1;
constexpr int kOrganizationColumn = 2;
const char kDefaultFolder[] = "/usr/share/ieee-data";

// One record of RFC 4180 text from `at` on: fields split at commas, quoted
// fields may hold commas, line breaks and doubled quotes. Advances `at` past
// the record's line break. Works on the bytes: the registry is large, and
// only the names kept are decoded.
QList<QByteArray> nextRecord(const QByteArray &text, qsizetype &at) {
  QList<QByteArray> fields;
  QByteArray field;
  bool quoted = false;
  while (at < text.size()) {
    if (!quoted) {
      // Up to the next comma, quote or line break at once.
      qsizetype end = at;
      while (end < text.size() && text[end] != ',' && text[end] != '"' && text[end] != '\n')
        ++end;
      field += QByteArrayView(text).sliced(at, end - at);
      at = end;
      if (at == text.size())
        break;
    }
    const char c = text[at++];
    if (quoted) {
      if (c == '"' && at < text.size() && text[at] == '"') {
        field += c;
        ++at;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields << field;
      field.clear();
    } else { // the line break
      break;
    }
  }
  if (field.endsWith('\r'))
    field.chop(1);
  fields << field;
  return fields;
}

// The 48-bit value of a MAC text, or -1.
qint64 macValue(const QString &mac) {
  qint64 value = 0;
  int digits = 0;
  for (const QChar c : mac) {
    const int digit = QStringLiteral("0123456789abcdef").indexOf(c.toLower());
    if (digit >= 0 && c.unicode() < 0x80) {
      if (++digits > kMacBits / 4)
        return -1;
      value = value << 4 | digit;
    } else if (c != u'-' && c != u':') {
      return -1;
    }
  }
  return digits == kMacBits / 4 ? value : -1;
}

} // namespace

const QString MacVendors::kMulticast = QStringLiteral("multicast address");
const QString MacVendors::kLocallyAdministered = QStringLiteral("locally administered address");

MacVendors::MacVendors(const QString &folder) {
  read(folder + QStringLiteral("/oui36.csv"), 36);
  read(folder + QStringLiteral("/mam.csv"), 28);
  read(folder + QStringLiteral("/oui.csv"), 24);
}

void MacVendors::read(const QString &path, int bits) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return;
  const QByteArray text = file.readAll();
  auto &blocks = blocks_[static_cast<size_t>(std::find(kBlockBits.begin(), kBlockBits.end(), bits) -
                                             kBlockBits.begin())];
  qsizetype at = 0;
  nextRecord(text, at); // the column headings
  while (at < text.size()) {
    const QList<QByteArray> fields = nextRecord(text, at);
    if (fields.size() <= kOrganizationColumn)
      continue;
    const QByteArray assignment = fields[kAssignmentColumn].trimmed();
    bool ok = false;
    const quint64 prefix = assignment.toULongLong(&ok, 16);
    // Each file holds blocks of its own length only.
    if (ok && assignment.size() == bits / 4)
      blocks.insert(prefix, QString::fromUtf8(fields[kOrganizationColumn].trimmed()));
  }
}

QString MacVendors::vendorOf(const QString &mac) const {
  const qint64 value = macValue(mac);
  if (value < 0)
    return {};
  const int firstOctet = static_cast<int>(value >> (kMacBits - 8));
  // The first octet's lowest bit marks a group address, the next one an
  // address the registry did not assign.
  if (firstOctet & 0x01)
    return kMulticast;
  if (firstOctet & 0x02)
    return kLocallyAdministered;
  for (size_t i = 0; i < kBlockBits.size(); ++i) {
    const auto found =
        blocks_[i].constFind(static_cast<quint64>(value) >> (kMacBits - kBlockBits[i]));
    if (found != blocks_[i].cend())
      return *found;
  }
  return {};
}

const MacVendors &systemMacVendors() {
  static const MacVendors vendors([] {
    const char *folder = std::getenv("VELNOR_IEEE_DATA");
    return QString::fromLocal8Bit(folder && *folder ? folder : kDefaultFolder);
  }());
  return vendors;
}
