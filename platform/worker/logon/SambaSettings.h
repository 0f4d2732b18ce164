// The few process-wide Samba settings the logon needs that libsmbclient's
// own API does not reach. libsmbclient sets its settings the same way
// (smbc_setOptionProtocols is lp_set_cmdline underneath); the functions are
// exported by the Samba libraries it loads (libsmbconf, libsamba-util) and
// looked up at run time, so a Samba without them only loses what needs them.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace platform::logon {

// Sets an smb.conf parameter for the whole process, above smb.conf.
bool setSambaOption(const char *name, const std::string &value);
// "name resolve order" as a space-separated list.
std::optional<std::string> sambaNameResolveOrder();
// The lmhosts file the "lmhosts" resolve method reads.
std::optional<std::string> lmhostsFile();
bool setLmhostsFile(const std::string &path);

// Runs `work` inside a talloc stack frame, as each libsmbclient entry point
// does for itself: the few calls that do not (smbc_set_credentials_with_
// fallback) would otherwise print a warning and leak. Without the frame
// functions `work` does not run; false then.
bool inSambaFrame(const std::function<void()> &work);

} // namespace platform::logon
