// The container named by a NETRESOURCE's lpRemoteName, checked before any
// network traffic: the provider level, a workgroup or a computer.
#pragma once

#include <shared/NetResourceRecord.h>
#include <windows.h>

#include <string>

namespace platform {

struct NetContainer {
  enum class Level { Provider, Workgroup, Computer };
  Level level = Level::Provider;
  // The WNet form: "" for the provider, "NAME" or "\\\\NAME".
  std::string name;
};

// NO_ERROR and the container, ERROR_NOT_CONTAINER for a share (or anything
// below one), ERROR_BAD_NETPATH for a malformed or over-long name. The name
// is in the ANSI code page and is split on its characters.
DWORD parseNetContainer(const char *remoteName, NetContainer &container);

// The container's name as the network has it: the caller's ANSI name in
// UTF-8, with the two backslashes before a computer's name kept as they are
// (Shift_JIS, as iconv reads it, has a yen sign where Windows' code page 932
// has the backslash).
std::string networkName(const NetContainer &container);

} // namespace platform
