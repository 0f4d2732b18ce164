// The container named by a NETRESOURCE's lpRemoteName, checked before any
// network traffic: the provider level, a workgroup or a server.
#pragma once

#include <NetResourceRecord.h>
#include <windows.h>

#include <string>

namespace platform {

struct NetContainer {
  enum class Level { Provider, Workgroup, Server };
  Level level = Level::Provider;
  // The WNet form: "" for the provider, "NAME" or "\\\\NAME".
  std::string name;
};

// NO_ERROR and the container, ERROR_NOT_CONTAINER for a share (or anything
// below one), ERROR_BAD_NETPATH for a malformed or over-long name.
DWORD parseNetContainer(const char *remoteName, NetContainer &container);

} // namespace platform
