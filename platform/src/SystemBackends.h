// The Linux implementations behind the Win32 calls, one per family.
#pragma once

#include <platform/backends.h>

namespace platform {

ResolverBackend &systemResolver();
NamesBackend &systemNames();

ResolverBackend &currentResolver();
NamesBackend &currentNames();

} // namespace platform
