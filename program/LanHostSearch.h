// The LAN host search's walk, apart from the window it fills: every workgroup
// of the browse list, the computers of each and their shares, and for each
// computer its address and MAC address, strictly one step after another.
#pragma once

#include <QString>

// Receives what the walk finds, in the order found, and decides at the two
// points per computer where user input is handled whether the walk goes on.
class LanHostSearchSink {
public:
  virtual ~LanHostSearchSink() = default;

  virtual void WorkgroupFound(const QString &Workgroup) = 0;
  // A computer entry ("\\" and the name) of the last workgroup found.
  virtual void ComputerFound(const QString &ComputerEntry) = 0;
  // A share label of the last computer found.
  virtual void ShareFound(const QString &ShareLabel) = 0;
  // After a computer's shares: Current (from 0) of Total (computers of the
  // workgroup minus 1). False stops the walk before the computer is resolved.
  virtual bool ProgressReported(int Total, int Current) = 0;
  // Right after the progress report; false stops the walk as well.
  virtual bool PendingInputHandled() = 0;
  // A computer whose name resolved; Mac is empty when it was not found.
  virtual void HostFound(const QString &HostName, const QString &Address, const QString &Mac) = 0;
};

// Walks until the end or until the sink stops it. Touches nothing after the
// sink has returned false.
void WalkLanHosts(LanHostSearchSink &Sink);

// The MAC text of a dotted address from the library, or empty.
QString MacAddressText(const QString &Address);
