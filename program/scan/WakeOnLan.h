// velnor-scan --wake: the Wake-on-LAN magic packet for a computer whose MAC
// address an earlier search knows (or that is given), sent to the broadcast
// address of its subnet, and the wait for the computer's ARP answer.
#pragma once

#include "ScanRows.h"

#include <array>
#include <optional>
#include <vector>

using MacBytes = std::array<unsigned char, 6>;

// Six pairs of hexadecimal digits joined by '-' or ':', or twelve digits.
std::optional<MacBytes> parseMac(const QString &text);

// Why no packet may wake `mac` (a group address, the broadcast address or
// all zeros: no card has one), or empty when one may.
QString macRefusal(const MacBytes &mac);

// Six bytes 0xFF, then the MAC sixteen times.
std::vector<unsigned char> magicPacket(const MacBytes &mac);

struct WakeRequest {
  QString target;                     // a name, an address or a MAC address
  std::optional<QList<ScanRow>> rows; // of --compare's file
  QString interfaceName;              // --interface, or empty
  bool wait = true;
};

// Sends the packet and reports on standard output; the exit status: 0 sent
// (and, when waiting, answered), 1 not sent or no answer within a minute, 2
// for a target it cannot or may not wake. WinSock must be started.
int wakeComputer(const WakeRequest &request);
