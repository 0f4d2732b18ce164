// The per-thread hostent that gethostbyname/gethostbyaddr hand out. It stays
// valid until the next such call on the same thread, as on Windows.
#pragma once

#include <platform/backends.h>
#include <winsock.h>

namespace platform {

struct hostent *fillThreadHostRecord(const HostEntry &entry);

} // namespace platform
