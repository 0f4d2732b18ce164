// The browse backend behind the WNet functions: libsmbclient unless a test
// installed a scripted one.
#pragma once

#include <platform/backends.h>

namespace platform {

BrowseBackend &systemBrowser();
BrowseBackend &currentBrowser();

} // namespace platform
