// velnor-scan: the LAN host search of the window from the command line,
// with no display: the same search gives the same rows in the same order,
// written as the window's copy text, CSV or JSON; --sweep adds every other
// live device of the local subnets, found by ARP. --compare says what
// changed since an earlier search, --watch keeps saying it, and --wake
// switches on a computer an earlier search knows.
#include "RowMatching.h"
#include "ScanSearch.h"
#include "ScanWatch.h"
#include "WakeOnLan.h"
#include "WSockUtils.h"

#include <platform/lan.h>

#include <QFile>

#include <cstdio>
#include <optional>

namespace {

constexpr int kRan = 0;
constexpr int kNothingListed = 1;
constexpr int kBadArguments = 2;
constexpr int kChanged = 3;

// An earlier search of a /16 with every address alive is some 20 MB.
constexpr qint64 kLargestCompareFile = 64 * 1024 * 1024;

const char kUsage[] =
    "Usage: velnor-scan [--format=text|csv|json] [--sweep] [--range=A.B.C.D/N]...\n"
    "                   [--compare=FILE] [--watch=SECONDS]\n"
    "       velnor-scan --wake=NAME|ADDRESS|MAC [--compare=FILE] [--interface=NAME]\n"
    "                   [--no-wait]\n"
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
    "  --compare=FILE compare with FILE, an earlier --format=json output: each\n"
    "                 row gets a change (new, gone, address, mac or none);\n"
    "                 rows pair by MAC address where both have one, else by\n"
    "                 computer name, else by address; text marks rows with\n"
    "                 '+' new, '-' gone, '~' address or mac; CSV and JSON add\n"
    "                 change and the previous computer, address and mac\n"
    "  --watch=SECONDS  search again every SECONDS (at least 10) until SIGINT\n"
    "                 or SIGTERM; one JSON object a line for each change against\n"
    "                 the search before (time, change, before, after); the first\n"
    "                 search is compared with --compare's FILE, or lists all\n"
    "  --wake=NAME|ADDRESS|MAC  send a Wake-on-LAN packet to the computer whose\n"
    "                 MAC address --compare's FILE knows, to the broadcast\n"
    "                 address of its subnet (UDP port 9), then wait up to 60 s\n"
    "                 for it to answer ARP; a MAC address needs no FILE but\n"
    "                 --interface\n"
    "  --interface=NAME  the interface whose subnet --wake sends to\n"
    "  --no-wait      --wake: do not wait for the answer\n"
    "  -h, --help     show this help and exit\n"
    "  -V, --version  show the version and exit\n"
    "\n"
    "Exit status: 0 when it ran (with --compare: and nothing changed), 1 when\n"
    "nothing could be listed (--wake: not sent, or no answer), 2 for bad\n"
    "arguments, 3 when --compare found a change. VELNOR_NETBIOS=0,\n"
    "VELNOR_MDNS=0 and VELNOR_WSD=0 turn NetBIOS, multicast DNS and\n"
    "WS-Discovery off. The vendor comes from the IEEE registry in\n"
    "/usr/share/ieee-data (package ieee-data).\n"
    "\n"
    "A crontab line that mails what changed since a kept search:\n"
    "  */30 * * * * velnor-scan --sweep --compare=$HOME/lan.json >$HOME/lan.txt;\n"
    "    [ $? = 3 ] && mail -s 'LAN changed' admin <$HOME/lan.txt\n"
    "(one line). velnor-scan(1) shows one that keeps each search, and a systemd\n"
    "timer.\n"
    "\n"
    "Shares are listed as the user: with the Kerberos ticket (kinit), a\n"
    "password the desktop's keyring saved for the server, or the entry for\n"
    "the server in ~/.config/velnor/credentials (mode 600), else as guest.\n";

struct Options {
  ScanFormat format = ScanFormat::Text;
  bool formatGiven = false;
  SearchOptions search;
  QString compareFile;
  int watchSeconds = 0;
  QString wakeTarget;
  QString interfaceName;
  bool noWait = false;
};

int badArguments(const QString &message) {
  std::fprintf(stderr, "velnor-scan: %s\nTry 'velnor-scan --help'.\n",
               message.toLocal8Bit().constData());
  return kBadArguments;
}

// Nothing when the scan is to run, else the exit status to end with at
// once (after --help and --version too).
std::optional<int> parse(int argc, char **argv, Options &options) {
  for (int i = 1; i < argc; ++i) {
    const QString argument = QString::fromLocal8Bit(argv[i]);
    const QString value = argument.section(u'=', 1);
    if (argument == u"-h" || argument == u"--help") {
      std::fputs(kUsage, stdout);
      return kRan;
    }
    if (argument == u"-V" || argument == u"--version") {
      std::printf("velnor-scan %s\n", VELNOR_VERSION);
      return kRan;
    }
    if (argument == u"--sweep") {
      options.search.sweep = true;
    } else if (argument == u"--no-wait") {
      options.noWait = true;
    } else if (argument.startsWith(u"--format=")) {
      options.formatGiven = true;
      if (value == u"text")
        options.format = ScanFormat::Text;
      else if (value == u"csv")
        options.format = ScanFormat::Csv;
      else if (value == u"json")
        options.format = ScanFormat::Json;
      else
        return badArguments(QStringLiteral("unknown format '%1' (text, csv or json)").arg(value));
    } else if (argument.startsWith(u"--range=")) {
      const auto range = parseRange(value);
      if (!range)
        return badArguments(QStringLiteral("'%1' is no range of the form A.B.C.D/N").arg(value));
      if (range->prefixLength < kLargestNamedPrefix)
        return badArguments(QStringLiteral("range %1 is larger than /%2")
                                .arg(range->text())
                                .arg(kLargestNamedPrefix));
      options.search.ranges.push_back(*range);
      options.search.sweep = true;
    } else if (argument.startsWith(u"--compare=") && !value.isEmpty()) {
      options.compareFile = value;
    } else if (argument.startsWith(u"--watch=")) {
      bool ok = false;
      options.watchSeconds = value.toInt(&ok);
      if (!ok || options.watchSeconds < kShortestWatchSeconds ||
          options.watchSeconds > kLongestWatchSeconds)
        return badArguments(QStringLiteral("--watch takes %1 to %2 seconds, not '%3'")
                                .arg(kShortestWatchSeconds)
                                .arg(kLongestWatchSeconds)
                                .arg(value));
    } else if (argument.startsWith(u"--wake=") && !value.isEmpty()) {
      options.wakeTarget = value;
    } else if (argument.startsWith(u"--interface=") && !value.isEmpty()) {
      options.interfaceName = value;
    } else {
      return badArguments(QStringLiteral("unknown argument '%1'").arg(argument));
    }
  }
  const bool waking = !options.wakeTarget.isEmpty();
  if (waking && (options.watchSeconds != 0 || options.formatGiven || options.search.sweep))
    return badArguments(QStringLiteral("--wake goes with --compare, --interface and --no-wait "
                                       "only"));
  if (!waking && (options.noWait || !options.interfaceName.isEmpty()))
    return badArguments(QStringLiteral("--interface and --no-wait go with --wake only"));
  if (options.watchSeconds != 0 && options.formatGiven)
    return badArguments(QStringLiteral("--watch writes lines of JSON; --format does not apply"));
  options.search.confirmHeld = !options.compareFile.isEmpty() || options.watchSeconds != 0;
  return std::nullopt;
}

std::optional<QList<ScanRow>> readCompareFile(const QString &path) {
  QFile file(path);
  QString error;
  if (!file.open(QIODevice::ReadOnly))
    error = file.errorString();
  else if (file.size() > kLargestCompareFile)
    error = QStringLiteral("larger than %1 MB").arg(kLargestCompareFile / 1024 / 1024);
  std::optional<QList<ScanRow>> rows;
  if (error.isEmpty())
    rows = rowsFromJson(file.read(kLargestCompareFile + 1), error);
  if (!rows)
    badArguments(QStringLiteral("cannot compare with %1: %2").arg(path, error));
  return rows;
}

int searchOnce(const Options &options, const std::optional<QList<ScanRow>> &before) {
  QStringList refused;
  const QList<ScanRow> rows = searchLan(options.search, refused);
  for (const QString &message : refused)
    std::fprintf(stderr, "velnor-scan: %s\n", message.toLocal8Bit().constData());
  int status = rows.isEmpty() ? kNothingListed : kRan;
  QByteArray text;
  if (before) {
    const QList<ComparedRow> compared = compareRows(*before, rows);
    text = formatChanges(compared, options.format);
    if (status == kRan && anyChange(compared))
      status = kChanged;
  } else {
    text = formatRows(rows, options.format);
  }
  std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
  std::fflush(stdout);
  return status;
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
  std::optional<QList<ScanRow>> before;
  if (!options.compareFile.isEmpty()) {
    before = readCompareFile(options.compareFile);
    if (!before)
      return kBadArguments;
  }
  WSockUtils::initialize();
  if (!options.wakeTarget.isEmpty()) {
    const int status =
        wakeComputer({options.wakeTarget, before, options.interfaceName, !options.noWait});
    WSockUtils::finalize();
    return status;
  }
  if (options.watchSeconds != 0) {
    WatchSettings watch;
    watch.search = options.search;
    watch.interval = std::chrono::seconds(options.watchSeconds);
    watch.before = before.value_or(QList<ScanRow>());
    watchLan(watch); // ends the process on SIGINT or SIGTERM
  }
  const int status = searchOnce(options, before);
  WSockUtils::finalize();
  return status;
}
