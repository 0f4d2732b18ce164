// The office-sized test LAN built by lab/lan-office, and a search sink that
// records what the LAN host search finds and where its thread waited. The
// office test and bench/office_search use both. lab/lan-office holds the
// same values; change both together.
#pragma once

#include <LanHostSearch.h>
#include <support/NeighbourTable.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace velnor::officelab {

inline constexpr std::string_view kClientInterface = "eth0";
// Server K (from 1) has the address kSubnetStem + (10 + K); VOFCSRV01 is the
// WINS server of every host.
inline constexpr std::string_view kSubnetStem = "10.80.0.";
inline constexpr int kMaxServers = 200;
inline constexpr std::string_view kWinsServer = "10.80.0.11";

// True in the office lab's client namespace (lab/lan-office exec): VELNOR_LAB
// is set and eth0 has the client's MAC address.
inline bool inClientNamespace() {
  std::ifstream in("/sys/class/net/eth0/address");
  std::string mac;
  return std::getenv("VELNOR_LAB") != nullptr && static_cast<bool>(in >> mac) &&
         mac == "02:76:6c:02:00:0a";
}

// Drops the client's neighbour entries of every possible server, so each
// MAC lookup is a real ARP exchange and a server that has left gets no
// answer from a cached entry.
inline void forgetServerNeighbours() {
  testsupport::NeighbourTable table{std::string(kClientInterface)};
  for (int k = 1; k <= kMaxServers; ++k)
    table.forget((std::string(kSubnetStem) + std::to_string(10 + k)).c_str());
}

// Keeps every finding as a line ("W wg", "C \\name", "S share", "H host
// address mac") in the order found, and times the gaps the search's thread
// spends between two calls to the sink (one blocking call each) and between
// two of its input-handling points (what the user sees as a freeze).
class RecordingSink final : public LanHostSearchSink {
public:
  using Clock = std::chrono::steady_clock;

  void start() { started_ = lastCall_ = lastPump_ = Clock::now(); }
  // After the walk: closes the last gaps.
  void finish() {
    call();
    pump();
    totalMs = msSince(started_);
  }

  void WorkgroupFound(const QString &Workgroup) override {
    call();
    lines.push_back("W " + Workgroup.toStdString());
  }
  void ComputerFound(const QString &ComputerEntry) override {
    call();
    lines.push_back("C " + ComputerEntry.toStdString());
  }
  void ShareFound(const QString &ShareLabel) override {
    call();
    lines.push_back("S " + ShareLabel.toStdString());
  }
  bool ProgressReported(int, int) override {
    call();
    pump();
    return true;
  }
  bool PendingInputHandled() override {
    call();
    pump();
    return true;
  }
  void HostFound(const QString &HostName, const QString &Address, const QString &Mac) override {
    call();
    lines.push_back("H " + HostName.toStdString() + " " + Address.toStdString() + " " +
                    Mac.toStdString());
    ++rows;
    if (!Mac.isEmpty())
      ++macs;
  }

  std::vector<std::string> lines;
  int rows = 0;
  int macs = 0;
  double totalMs = 0;
  double longestCallMs = 0;   // longest gap between two sink calls
  int callsOverOneSecond = 0; // gaps between sink calls longer than 1 s
  double longestFreezeMs = 0; // longest gap between two input-handling points

private:
  static double msSince(Clock::time_point then) {
    return std::chrono::duration<double, std::milli>(Clock::now() - then).count();
  }
  void call() {
    const double gap = msSince(lastCall_);
    longestCallMs = std::max(longestCallMs, gap);
    if (gap > 1000)
      ++callsOverOneSecond;
    lastCall_ = Clock::now();
  }
  void pump() {
    longestFreezeMs = std::max(longestFreezeMs, msSince(lastPump_));
    lastPump_ = Clock::now();
  }

  Clock::time_point started_, lastCall_, lastPump_;
};

// One search from a clean neighbour table, recorded.
inline RecordingSink recordedSearch(bool forgetNeighbours = true) {
  if (forgetNeighbours)
    forgetServerNeighbours();
  RecordingSink sink;
  sink.start();
  WalkLanHosts(sink);
  sink.finish();
  return sink;
}

} // namespace velnor::officelab
