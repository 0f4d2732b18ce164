// The MAC address of a host on the local network, from an ARP request.
#include "Export.h"

#include <shared/CBoundary.h>
#include <iphlpapi.h>
#include <velnip.h>
#include <winsock.h>

#include <cstring>
#include <string>

namespace {

constexpr int kMacBytes = 6;

// "XX-XX-XX-XX-XX-XX": two upper-case hex digits a byte, joined by '-'.
void formatMac(const unsigned char (&bytes)[kMacBytes], char (&text)[3 * kMacBytes]) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  char *out = text;
  for (unsigned char byte : bytes) {
    *out++ = kDigits[byte >> 4];
    *out++ = kDigits[byte & 0x0f];
    *out++ = '-';
  }
  out[-1] = '\0'; // the last separator
}

} // namespace

VELNIP_EXPORT const char *VELNIP_CALL getRemoteMacAdress(const char **Address) {
  return cboundary::guarded(static_cast<const char *>(nullptr), [&]() -> const char * {
    if (Address == nullptr || *Address == nullptr)
      return nullptr;
    const std::string dotted(*Address);
    const IPAddr destination = inet_addr(dotted.c_str());
    // Only 0 is refused here; INADDR_NONE goes on and fails in SendARP.
    if (destination == 0)
      return nullptr;

    // Room for eight bytes, zeroed so that a reply shorter than six bytes never
    // shows bytes nobody wrote.
    ULONG reply[2] = {0, 0};
    ULONG length = kMacBytes;
    if (SendARP(destination, 0, reply, &length) != NO_ERROR || length == 0)
      return nullptr;
    // A reply whose first four bytes are all zero is no real hardware address.
    if (reply[0] == 0)
      return nullptr;

    unsigned char bytes[kMacBytes];
    std::memcpy(bytes, reply, kMacBytes);
    thread_local char text[3 * kMacBytes];
    formatMac(bytes, text);
    *Address = text;
    return text;
  });
}
