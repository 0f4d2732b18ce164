// Which symbolic links the settings writer follows itself. It reads a link
// with readlink() to replace the file behind it, so the kernel's own guard
// (fs.protected_symlinks) never sees that step; the same rule is applied
// here instead.
#pragma once

#include <sys/types.h>

#include <string>

namespace platform {

// 0 when this process may follow a link owned by `linkOwner` that lies in
// `folder`, EACCES when not: in a folder that is sticky and world-writable
// (such as /tmp) a link is followed only when it belongs to this process's
// user or to the folder's owner, so that nobody can plant a link there that
// makes root write a file of its choosing. Root is bound by it too, as by
// the kernel's rule.
int linkFollowAccess(uid_t linkOwner, const std::string &folder);

} // namespace platform
