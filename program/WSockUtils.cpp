#include "WSockUtils.h"

#include <winsock.h>

namespace {
WSADATA unitStartupRecord;
}

void WSockUtils::Initialize() {
  // The result is not examined: each lookup starts WinSock again for itself.
  WSAStartup(MAKEWORD(1, 1), &unitStartupRecord);
}

void WSockUtils::Finalize() {
  WSACleanup();
}
