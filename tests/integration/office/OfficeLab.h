// The office-sized test LAN built by lab/lan-office, and a search sink that
// records what the LAN host search finds. The office test and
// bench/office_search use both. lab/lan-office holds the same values; change
// both together.
#pragma once

#include <LanHostSearch.h>
#include <support/NeighbourTable.h>

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
// address mac") in the order found. Each sink call ends one blocking call of
// the search's thread; `called` and `pumped` (at its input-handling points)
// are there for a sink that times them.
class RecordingSink : public LanHostSearchSink {
public:
  void workgroupFound(const QString &Workgroup) override {
    called();
    lines.push_back("W " + Workgroup.toStdString());
  }
  void computerFound(const QString &ComputerEntry) override {
    called();
    lines.push_back("C " + ComputerEntry.toStdString());
    computersAtMs.push_back(msSinceStart());
  }
  void shareFound(const QString &ShareLabel) override {
    called();
    lines.push_back("S " + ShareLabel.toStdString());
  }
  bool progressReported(int, int) override {
    called();
    pumped();
    return true;
  }
  bool pendingInputHandled() override {
    called();
    pumped();
    return true;
  }
  void hostFound(const QString &HostName, const QString &Address, const QString &Mac) override {
    called();
    lines.push_back("H " + HostName.toStdString() + " " + Address.toStdString() + " " +
                    Mac.toStdString());
    ++rows;
    if (!Mac.isEmpty())
      ++macs;
  }

  // One search from a clean neighbour table (or the table as it is), and
  // its time.
  void search(bool forgetNeighbours = true) {
    if (forgetNeighbours)
      forgetServerNeighbours();
    start_ = std::chrono::steady_clock::now();
    called();
    pumped();
    searchLanHosts(*this);
    called();
    pumped();
    totalMs = msSinceStart();
  }

  std::vector<std::string> lines;
  // When each computer was found (its "C" line), in ms since the start.
  std::vector<double> computersAtMs;
  int rows = 0;
  int macs = 0;
  double totalMs = 0;

protected:
  double msSinceStart() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
        .count();
  }
  virtual void called() {}
  virtual void pumped() {}

private:
  std::chrono::steady_clock::time_point start_{};
};

} // namespace velnor::officelab
