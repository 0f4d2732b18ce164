// The one WinSock start-up record the name and address exports share. Its
// contents are never read; it exists because WSAStartup must write somewhere.
#pragma once

#include <winsock.h>

namespace velnip {

inline WSADATA sharedStartupRecord{};

} // namespace velnip
