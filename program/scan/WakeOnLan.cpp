#include "WakeOnLan.h"

#include <platform/lan.h>

#include <winsock.h>

#include <QDateTime>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kSent = 0;
constexpr int kNotDone = 1;
constexpr int kRefused = 2;

constexpr uint16_t kWakePort = 9; // discard, where nothing else listens
constexpr std::chrono::seconds kAnswerWait{60};
constexpr int kMacRepeats = 16;

int say(std::FILE *to, int status, const QString &text) {
  std::fprintf(to, "%s%s\n", to == stderr ? "velnor-scan: " : "", text.toLocal8Bit().constData());
  std::fflush(to);
  return status;
}

QString macText(const MacBytes &mac) {
  return QString::fromLatin1(
      QByteArray(reinterpret_cast<const char *>(mac.data()), mac.size()).toHex('-').toUpper());
}

uint32_t networkMask(const platform::LocalSubnet &subnet) {
  return subnet.prefixLength <= 0 ? 0 : ~uint32_t{0} << (32 - subnet.prefixLength);
}

QString subnetText(const platform::LocalSubnet &subnet) {
  in_addr address{};
  address.s_addr = htonl(ntohl(subnet.address) & networkMask(subnet));
  return QStringLiteral("%1/%2 on %3")
      .arg(QString::fromLatin1(inet_ntoa(address)))
      .arg(subnet.prefixLength)
      .arg(QString::fromStdString(subnet.interfaceName));
}

bool onSubnet(uint32_t address, const platform::LocalSubnet &subnet) {
  const uint32_t mask = networkMask(subnet);
  return (ntohl(address) & mask) == (ntohl(subnet.address) & mask);
}

// The row of `rows` that `target` names: by MAC, address or name.
const ScanRow *findRow(const QList<ScanRow> &rows, const QString &target,
                       const std::optional<MacBytes> &mac) {
  for (const ScanRow &row : rows)
    if (mac ? parseMac(row.mac) == mac : row.address == target)
      return &row;
  if (mac)
    return nullptr;
  for (const ScanRow &row : rows)
    if (!row.computer.isEmpty() && row.computer.compare(target, Qt::CaseInsensitive) == 0)
      return &row;
  return nullptr;
}

} // namespace

std::optional<MacBytes> parseMac(const QString &text) {
  QString digits = text.trimmed();
  if (digits.size() == 17) {
    const QChar separator = digits[2];
    if (separator != u'-' && separator != u':')
      return std::nullopt;
    for (int i = 2; i < 17; i += 3)
      if (digits[i] != separator)
        return std::nullopt;
    digits.remove(separator);
  }
  if (digits.size() != 12)
    return std::nullopt;
  MacBytes mac{};
  for (int i = 0; i < 6; ++i) {
    bool ok = false;
    const uint value = digits.mid(i * 2, 2).toUInt(&ok, 16);
    if (!ok || !digits[i * 2].isLetterOrNumber() || !digits[i * 2 + 1].isLetterOrNumber())
      return std::nullopt;
    mac[static_cast<size_t>(i)] = static_cast<unsigned char>(value);
  }
  return mac;
}

QString macRefusal(const MacBytes &mac) {
  if (mac == MacBytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})
    return QStringLiteral("the broadcast address");
  if (mac == MacBytes{})
    return QStringLiteral("all zeros");
  if ((mac[0] & 0x01) != 0)
    return QStringLiteral("a multicast address");
  return {};
}

std::vector<unsigned char> magicPacket(const MacBytes &mac) {
  std::vector<unsigned char> packet(6, 0xFF);
  for (int i = 0; i < kMacRepeats; ++i)
    packet.insert(packet.end(), mac.begin(), mac.end());
  return packet;
}

int wakeComputer(const WakeRequest &request) {
  const std::optional<MacBytes> targetMac = parseMac(request.target);
  if (!targetMac && !request.rows)
    return say(stderr, kRefused, QStringLiteral("--wake=NAME or ADDRESS needs --compare=FILE"));
  const ScanRow *row = request.rows ? findRow(*request.rows, request.target, targetMac) : nullptr;
  if (!targetMac && row == nullptr)
    return say(stderr, kRefused, QStringLiteral("the file names no '%1'").arg(request.target));
  if (targetMac && row == nullptr && request.interfaceName.isEmpty())
    return say(stderr, kRefused,
               QStringLiteral("%1 is in no row of the file: name the interface with "
                              "--interface=NAME")
                   .arg(macText(*targetMac)));
  const std::optional<MacBytes> mac = targetMac ? targetMac : parseMac(row->mac);
  if (!mac)
    return say(stderr, kRefused,
               QStringLiteral("the file knows no MAC address of '%1'").arg(request.target));
  if (const QString refusal = macRefusal(*mac); !refusal.isEmpty())
    return say(stderr, kRefused,
               QStringLiteral("%1 is %2: no computer has it").arg(macText(*mac), refusal));

  const uint32_t address = row ? inet_addr(row->address.toLatin1().constData()) : INADDR_NONE;
  std::optional<platform::LocalSubnet> subnet;
  for (const platform::LocalSubnet &candidate : platform::localSubnets()) {
    const bool fits =
        request.interfaceName.isEmpty()
            ? address != INADDR_NONE && onSubnet(address, candidate)
            : QString::fromStdString(candidate.interfaceName) == request.interfaceName;
    if (fits) {
      subnet = candidate;
      break;
    }
  }
  if (!subnet && !request.interfaceName.isEmpty())
    return say(
        stderr, kRefused,
        QStringLiteral("no interface '%1' with an IPv4 address is up").arg(request.interfaceName));
  if (!subnet)
    return say(stderr, kNotDone,
               QStringLiteral("no subnet of this machine holds %1").arg(row->address));

  if (const int error = platform::broadcastOnSubnet(*subnet, kWakePort, magicPacket(*mac));
      error != 0)
    return say(stderr, kNotDone,
               QStringLiteral("the packet could not be sent on %1: %2")
                   .arg(subnetText(*subnet), QString::fromLocal8Bit(std::strerror(error))));
  const QString who = row && !row->computer.isEmpty()
                          ? QStringLiteral("%1 (%2)").arg(row->computer, macText(*mac))
                          : macText(*mac);
  say(stdout, kSent,
      QStringLiteral("sent the wake-up packet for %1 to the broadcast address of %2")
          .arg(who, subnetText(*subnet)));
  if (!request.wait)
    return kSent;
  if (address == INADDR_NONE)
    return say(stdout, kSent, QStringLiteral("no address is known to wait for"));

  const auto sent = std::chrono::steady_clock::now();
  const auto answered = platform::waitForArpAnswer(address, kAnswerWait);
  if (!answered)
    return say(stdout, kNotDone,
               QStringLiteral("%1 did not answer ARP within %2 s")
                   .arg(row->address)
                   .arg(kAnswerWait.count()));
  const double seconds = std::chrono::duration<double>(*answered - sent).count();
  return say(
      stdout, kSent,
      QStringLiteral("%1 answered ARP at %2 UTC, %3 s after the packet")
          .arg(row->address, QDateTime::currentDateTimeUtc().toString(QStringLiteral("HH:mm:ss")))
          .arg(std::max(seconds, 0.0), 0, 'f', 1));
}
