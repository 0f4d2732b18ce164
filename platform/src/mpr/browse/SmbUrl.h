// smb:// URLs for libsmbclient's browse calls.
#pragma once

#include <string>

namespace platform {

// "smb://" for the top level, "smb://NAME" for a workgroup or a server
// (a name or a dotted address).
std::string smbUrl(const std::string &host);

} // namespace platform
