// Passwords the desktop's file manager saved in the Secret Service keyring.
#pragma once

#include "worker/logon/SavedLogon.h"

#include <optional>
#include <string>

namespace platform::logon {

// The logon saved for `computer` under GVfs' schema
// org.gnome.keyring.NetworkPassword (protocol "smb"; attributes server,
// user, domain, port), matched by savedForServer. Nothing without a session
// bus, a Secret Service, an unlocked entry or a match; never prompts.
std::optional<SavedLogon> keyringLogon(const std::string &computer);

} // namespace platform::logon
