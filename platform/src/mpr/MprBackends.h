// The browse backend behind the WNet functions: libsmbclient merged with
// WS-Discovery, unless a test installed a scripted one.
#pragma once

#include <platform/backends.h>

namespace platform {

// The NetBIOS browse list and the computers' shares (libsmbclient).
BrowseBackend &smbBrowser();
BrowseBackend &systemBrowser();
BrowseBackend &currentBrowser();

} // namespace platform
