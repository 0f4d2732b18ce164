// The backend behind SendARP: the rtnetlink one unless a test installed a
// scripted one.
#pragma once

#include <platform/backends.h>

namespace platform {

ArpBackend &systemArp();
ArpBackend &currentArp();

} // namespace platform
