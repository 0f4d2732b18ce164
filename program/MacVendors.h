// The maker of a network card, from the first bits of its MAC address as
// the IEEE registration authority assigned them: MA-L (24 bits, oui.csv),
// MA-M (28 bits, mam.csv) and MA-S (36 bits, oui36.csv), in the CSV form
// Debian's ieee-data ships. The longest assignment that matches wins.
#pragma once

#include <QHash>
#include <QString>

#include <array>

class MacVendors {
public:
  // Reads the three files of folder; a missing or unreadable file adds
  // nothing, so without the registry every address has an empty maker.
  explicit MacVendors(const QString &folder);

  // The maker of a MAC text (six bytes as hexadecimal pairs, joined by "-",
  // ":" or nothing). An address the maker did not assign says what it is
  // instead: kMulticast for group addresses, kLocallyAdministered for
  // addresses set by an administrator or a program. Empty when the text is
  // no MAC address or the registry does not know the block.
  QString vendorOf(const QString &mac) const;

  static const QString kMulticast;
  static const QString kLocallyAdministered;

private:
  void read(const QString &path, int bits);

  // By assignment length 36, 28 and 24 bits: the assigned prefix to its
  // organisation's name.
  std::array<QHash<quint64, QString>, 3> blocks_;
};

// The registry of this machine, read at the first call: $VELNOR_IEEE_DATA
// when set, else /usr/share/ieee-data.
const MacVendors &systemMacVendors();
