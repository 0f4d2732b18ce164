// The program's own network utilities: WinSock kept started for the whole
// run, and the steps the LAN host search takes for every computer.
#pragma once

#include <QString>
#include <QStringList>

namespace WSockUtils {

// Unit start: runs before the main window exists. Unit end: after it is gone.
void initialize();
void finalize();

// Appends the names directly below ContainerName (empty for the workgroups
// and domains) to List, from one enumeration call into a 32000-byte buffer:
// names beyond what it holds are not listed. False, with nothing appended,
// when the container cannot be listed or is empty. Never clears List.
bool EnumerateNetworkNames(const QString &ContainerName, QStringList &List);

// Address becomes the dotted form of the LAST address HostName resolves to,
// or empty when it does not resolve. Starts and cleans up WinSock around the
// lookup with a start-up record of its own.
void ResolveHostAddress(const QString &HostName, QString &Address);

} // namespace WSockUtils
