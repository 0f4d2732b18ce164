// Whether the user holds a Kerberos ticket cache to log on with.
#pragma once

#include <optional>
#include <string>

namespace platform::logon {

// The user name of the principal of the user's ticket cache (KRB5CCNAME, or
// the default cache), or nothing when there is no cache or no principal in
// it. Reads the cache only: nothing goes to the network.
std::optional<std::string> ticketUser();

} // namespace platform::logon
