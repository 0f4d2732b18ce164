// One listing of one container through libsmbclient, as the browse worker
// does it: everything this process knows about SMB sessions lives here.
#pragma once

#include "net/browseworker/BrowseRecords.h"

namespace browseworker {

// Starts libsmbclient, so that the first request finds it ready; false when
// it cannot start (each request then tries again).
bool startSession();

// The top level or a workgroup's computers (What::BrowseList), or the shares
// of the computer the request names, at its target (an address, or the name
// for libsmbclient to look up), listed as the logged-on user. Never throws.
platform::browseworker::Answer listContainer(const platform::browseworker::Request &request);

} // namespace browseworker
