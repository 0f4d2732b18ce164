#include "ScanWatch.h"

#include "RowMatching.h"

#include <QDateTime>
#include <QJsonDocument>

#include <atomic>
#include <csignal>
#include <thread>
#include <unistd.h>

namespace {

// Whether a line is being written, so that a stop signal neither ends the
// process in its middle nor waits for anything else.
enum : int { kIdle, kWriting, kStopAsked };
std::atomic<int> outputState{kIdle};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");

extern "C" void stopAsked(int) {
  if (outputState.exchange(kStopAsked) == kIdle)
    ::_exit(0);
  // A line is being written: its writer ends the process when it is out.
}

void catchStopSignals() {
  struct sigaction action = {};
  action.sa_handler = stopAsked;
  // A write it interrupts goes on, so that the line being written ends whole.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

void writeWhole(std::FILE *output, const QByteArray &lines) {
  int idle = kIdle;
  if (!outputState.compare_exchange_strong(idle, kWriting))
    ::_exit(0);
  std::fwrite(lines.constData(), 1, static_cast<size_t>(lines.size()), output);
  std::fflush(output);
  if (outputState.exchange(kIdle) == kStopAsked)
    ::_exit(0);
}

QJsonValue rowValue(const std::optional<ScanRow> &row) {
  return row ? QJsonValue(rowObject(*row)) : QJsonValue();
}

} // namespace

QByteArray changeLine(const ComparedRow &row, const QDateTime &time) {
  QJsonObject line;
  line.insert(QStringLiteral("time"), time.toUTC().toString(Qt::ISODate));
  line.insert(QStringLiteral("change"), changeWord(row.change));
  line.insert(QStringLiteral("before"), rowValue(row.before));
  line.insert(QStringLiteral("after"), rowValue(row.now));
  return QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
}

void watchLan(const WatchSettings &settings) {
  catchStopSignals();
  QList<ScanRow> before = settings.before;
  bool firstRound = true;
  for (int round = 1; settings.rounds == 0 || round <= settings.rounds; ++round) {
    const auto started = std::chrono::steady_clock::now();
    QStringList refused;
    QList<ScanRow> now = searchLan(settings.search, refused);
    if (firstRound) {
      for (const QString &message : refused)
        std::fprintf(stderr, "velnor-scan: %s\n", message.toLocal8Bit().constData());
      firstRound = false;
    }
    const QDateTime time = QDateTime::currentDateTimeUtc();
    QByteArray lines;
    for (const ComparedRow &row : compareRows(before, now))
      if (row.change != RowChange::None)
        lines += changeLine(row, time);
    // All of a round's lines at once: a stop ends the process after the last.
    if (!lines.isEmpty())
      writeWhole(settings.output, lines);
    before = std::move(now);
    if (settings.afterRound)
      settings.afterRound(round);
    if (round != settings.rounds)
      std::this_thread::sleep_until(started + settings.interval);
  }
}
