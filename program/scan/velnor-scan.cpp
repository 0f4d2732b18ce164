// velnor-scan: the LAN host search of the window from the command line,
// with no display: the same walk gives the same rows in the same order,
// written as the window's copy text, CSV or JSON; --sweep adds every other
// live device of the local subnets, found by ARP.
#include "AnsiText.h"
#include "LanHostSearch.h"
#include "MacVendors.h"
#include "ScanRows.h"
#include "ScanSweep.h"
#include "WSockUtils.h"

#include <platform/lan.h>

#include <QSet>

#include <cstdio>
#include <optional>
#include <unistd.h>

namespace {

constexpr int kRan = 0;
constexpr int kNothingListed = 1;
constexpr int kBadArguments = 2;

const char kUsage[] =
    "Usage: velnor-scan [--format=text|csv|json] [--sweep] [--range=A.B.C.D/N]...\n"
    "\n"
    "Lists the computers of the network browse list (workgroups, computers,\n"
    "shares), each with its IPv4 address and MAC address, as the LAN host\n"
    "search of velnor does.\n"
    "\n"
    "  --format=text  one line a computer: host name, 4 spaces, address,\n"
    "                 5 spaces, MAC address (the default; velnor's copy text)\n"
    "  --format=csv   RFC 4180 with a header row: workgroup, computer, address,\n"
    "                 mac, vendor, shares, found_by (lists joined by ';')\n"
    "  --format=json  one array of objects with the same fields\n"
    "  --sweep        also list every other device of the local subnets that\n"
    "                 answers ARP, named by DNS, NetBIOS or multicast DNS;\n"
    "                 subnets larger than /22 only when --range names them\n"
    "  --range=A.B.C.D/N  sweep this range (/16 or smaller) instead of the\n"
    "                 local subnets; implies --sweep; may be repeated\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "Exit status: 0 when it ran, 1 when nothing could be listed, 2 for bad\n"
    "arguments. VELNOR_NETBIOS=0, VELNOR_MDNS=0 and VELNOR_WSD=0 turn NetBIOS,\n"
    "multicast DNS and WS-Discovery off. The vendor comes from the IEEE\n"
    "registry in /usr/share/ieee-data (package ieee-data).\n"
    "\n"
    "Shares are listed as the user: with the Kerberos ticket (kinit), a\n"
    "password the desktop's keyring saved for the server, or the entry for\n"
    "the server in ~/.config/velnor/credentials (mode 600), else as guest.\n";

struct Options {
  ScanFormat format = ScanFormat::Text;
  bool sweep = false;
  std::vector<SweepRange> ranges;
};

int badArguments(const QString &message) {
  std::fprintf(stderr, "velnor-scan: %s\nTry 'velnor-scan --help'.\n",
               message.toLocal8Bit().constData());
  return kBadArguments;
}

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

// Collects the walk's rows with the workgroup and shares of each computer.
class ScanSink final : public LanHostSearchSink {
public:
  explicit ScanSink(Progress &progress) : progress_(progress) {}

  void WorkgroupFound(const QString &Workgroup) override { workgroup_ = Workgroup; }
  void ComputerFound(const QString &) override { shares_.clear(); }
  void ShareFound(const QString &ShareLabel) override { shares_ << ShareLabel; }
  bool ProgressReported(int Total, int Current) override {
    progress_.show(
        QStringLiteral("searching %1: %2 of %3").arg(workgroup_).arg(Current + 1).arg(Total + 1));
    return true;
  }
  bool PendingInputHandled() override { return true; }
  void HostFound(const QString &HostName, const QString &Address, const QString &Mac) override {
    ScanRow row{workgroup_, HostName, Address, Mac, SystemMacVendors().VendorOf(Mac), shares_, {}};
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

// Nothing when the scan is to run, else the exit status to end with at
// once (after --help and --version too).
std::optional<int> parse(int argc, char **argv, Options &options) {
  for (int i = 1; i < argc; ++i) {
    const QString argument = QString::fromLocal8Bit(argv[i]);
    if (argument == u"-h" || argument == u"--help") {
      std::fputs(kUsage, stdout);
      return kRan;
    }
    if (argument == u"-V" || argument == u"--version") {
      std::printf("velnor-scan %s\n", VELNOR_VERSION);
      return kRan;
    }
    if (argument == u"--sweep") {
      options.sweep = true;
    } else if (argument.startsWith(u"--format=")) {
      const QString format = argument.mid(9);
      if (format == u"text")
        options.format = ScanFormat::Text;
      else if (format == u"csv")
        options.format = ScanFormat::Csv;
      else if (format == u"json")
        options.format = ScanFormat::Json;
      else
        return badArguments(QStringLiteral("unknown format '%1' (text, csv or json)").arg(format));
    } else if (argument.startsWith(u"--range=")) {
      const auto range = ParseRange(argument.mid(8));
      if (!range)
        return badArguments(
            QStringLiteral("'%1' is no range of the form A.B.C.D/N").arg(argument.mid(8)));
      if (range->prefixLength < kLargestNamedPrefix)
        return badArguments(QStringLiteral("range %1 is larger than /%2")
                                .arg(range->text())
                                .arg(kLargestNamedPrefix));
      options.ranges.push_back(*range);
      options.sweep = true;
    } else {
      return badArguments(QStringLiteral("unknown argument '%1'").arg(argument));
    }
  }
  return std::nullopt;
}

} // namespace

int main(int argc, char *argv[]) {
  Options options;
  if (const auto ended = parse(argc, argv, options))
    return *ended;

  // Said once, here: the platform uses no refused file, silently, as it
  // reports every failure as a value.
  const std::string refusal = platform::credentialsFileRefusal();
  if (!refusal.empty())
    std::fprintf(stderr, "velnor-scan: %s\n", refusal.c_str());

  WSockUtils::Initialize();
  QList<ScanRow> rows;
  {
    Progress progress;
    ScanSink sink(progress);
    WalkLanHosts(sink);
    rows = sink.rows;
    if (options.sweep) {
      QStringList refused;
      std::vector<SweepRange> ranges = options.ranges;
      if (ranges.empty())
        ranges = LocalRanges(refused);
      progress.show(QString());
      for (const QString &message : refused)
        std::fprintf(stderr, "velnor-scan: %s\n", message.toLocal8Bit().constData());
      QSet<QString> listed;
      for (const ScanRow &row : rows)
        listed.insert(row.address);
      rows << SweepRows(HostAddresses(ranges), listed, [&](size_t done, size_t total) {
        progress.show(QStringLiteral("sweeping: %1 of %2").arg(done).arg(total));
      });
    }
  }
  WSockUtils::Finalize();

  const QByteArray text = FormatRows(rows, options.format);
  std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
  std::fflush(stdout);
  return rows.isEmpty() ? kNothingListed : kRan;
}
