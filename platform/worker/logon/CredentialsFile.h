// The per-user credentials file for machines without a desktop session:
// $XDG_CONFIG_HOME/velnor/credentials (~/.config/velnor/credentials), one
// section a server:
//
//   [WIN2]
//   domain = CORP
//   user = alice
//   password = ...
//
// Lines starting with '#' or ';' are comments. As ssh does with its keys,
// the file is used only when it is a regular file owned by the user that
// neither group nor others may read or write; platform::
// credentialsFileRefusal (platform/lan.h) says why one is not used.
#pragma once

#include "worker/logon/SavedLogon.h"

#include <optional>
#include <string>
#include <string_view>

namespace platform::logon {

// The file's path, or empty when neither XDG_CONFIG_HOME nor HOME is set.
std::string credentialsFilePath();

// The entry saved for `computer` (matched by savedForServer) in the text of
// a credentials file; an entry without a user is no entry.
std::optional<SavedLogon> logonInCredentials(std::string_view text, const std::string &computer);

// The file's entry for `computer`, when the file is there and not refused.
std::optional<SavedLogon> fileLogon(const std::string &computer);

} // namespace platform::logon
