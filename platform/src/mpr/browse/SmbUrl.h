// smb:// URLs for libsmbclient's browse calls.
#pragma once

#include <string>

namespace platform {

// Percent-encodes every byte but the URL's unreserved characters, so names
// holding '%', '/', '@', '#', ';', spaces and the like reach libsmbclient
// as they are.
std::string percentEncoded(const std::string &name);

// "smb://" for the top level, "smb://NAME" for a workgroup or a server
// (a name or a dotted address).
std::string smbUrl(const std::string &host);

} // namespace platform
