// GetComputerNameA with its documented buffer rules.
#include "common/AsciiCase.h"
#include "common/NameBuffer.h"
#include "kernel32/Kernel32Backends.h"

#include <shared/CBoundary.h>
#include <windows.h>

#include <cstring>

namespace {

// The NetBIOS form of a host name: its first label, upper case, 15 chars.
std::string netbiosName(const std::string &hostName) {
  std::string name = hostName.substr(0, hostName.find('.'));
  if (name.size() > MAX_COMPUTERNAME_LENGTH)
    name.resize(MAX_COMPUTERNAME_LENGTH);
  return platform::asciiUppered(std::move(name));
}

} // namespace

BOOL WINAPI GetComputerNameA(LPSTR lpBuffer, LPDWORD nSize) {
  return cboundary::guarded(FALSE, [&] {
    const std::optional<std::string> hostName = platform::currentNames().hostName();
    if (!hostName || hostName->empty()) {
      SetLastError(ERROR_GEN_FAILURE);
      return FALSE;
    }
    return platform::copyName(netbiosName(*hostName), lpBuffer, nSize, ERROR_BUFFER_OVERFLOW,
                              false);
  });
}
