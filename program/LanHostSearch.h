// The LAN host search, apart from the window it fills: every workgroup
// of the browse list, the computers of each and their shares, and for each
// computer its address and MAC address, strictly one step after another.
#pragma once

#include <QString>

// Receives what the search finds, in the order found, and decides at the two
// points per computer where user input is handled whether the search goes on.
class LanHostSearchSink {
public:
  virtual ~LanHostSearchSink() = default;

  virtual void workgroupFound(const QString &workgroup) = 0;
  // A computer entry ("\\" and the name) of the last workgroup found.
  virtual void computerFound(const QString &computerEntry) = 0;
  // A share label of the last computer found.
  virtual void shareFound(const QString &shareLabel) = 0;
  // After a computer's shares: Current (from 0) of Total (computers of the
  // workgroup minus 1). False stops the search before the computer is resolved.
  virtual bool progressReported(int Total, int Current) = 0;
  // Right after the progress report; false stops the search as well.
  virtual bool pendingInputHandled() = 0;
  // A computer whose name resolved; mac is empty when it was not found.
  virtual void hostFound(const QString &HostName, const QString &Address, const QString &mac) = 0;
};

// Searches until the end or until the sink stops it. Touches nothing after the
// sink has returned false.
void searchLanHosts(LanHostSearchSink &sink);

// The MAC text of a dotted address from the library, or empty.
QString macAddressText(const QString &Address);
