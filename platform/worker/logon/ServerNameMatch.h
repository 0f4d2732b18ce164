// Which server a saved password belongs to.
#pragma once

#include <string>

namespace platform::logon {

// True when a password saved for `savedFor` may go to the computer listed
// as `computer`: the same name, NetBIOS or DNS, ASCII case ignored. A bare
// address on either side never matches: a password saved for a name does
// not follow whatever host answers at an address, nor one saved for an
// address any name.
bool savedForServer(const std::string &savedFor, const std::string &computer);

// True for a dotted IPv4 or an IPv6 address text (also bracketed).
bool isAddressText(const std::string &text);

} // namespace platform::logon
