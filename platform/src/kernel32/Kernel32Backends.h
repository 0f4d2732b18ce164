// The backend behind GetComputerNameA and GetUserNameA: the system's
// host and account names unless a test installed a scripted one.
#pragma once

#include <platform/backends.h>

namespace platform {

NamesBackend &systemNames();
NamesBackend &currentNames();

} // namespace platform
