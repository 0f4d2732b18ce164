// Settings files beside a program in a folder its user may not write (an
// installed program in /usr/bin): as Windows does for programs in protected
// folders, their reads and writes go to a per-user copy instead, in
// $XDG_CONFIG_HOME/velnor/VirtualStore/<the file's absolute path>, so the
// settings are kept instead of silently lost. A file in a folder the user
// may write (a build folder, a portable copy) stays where it is.
#pragma once

#include <string>

namespace platform {

// The per-user copy that stands in for `file`, or an empty string when
// `file` is used itself: its folder is writable for this process, does not
// exist (a write then fails as it would anyway), or no per-user folder can
// be named (no absolute $XDG_CONFIG_HOME or home folder). `file` is the path
// after symbolic links (resolveSymlinks), relative to the working folder
// when it is not absolute. The copy may not exist yet.
std::string perUserCopyOf(const std::string &file);

// Creates the folders above the per-user copy that are missing, each
// readable only by its user (0700). 0 or an errno value.
int createPerUserFolders(const std::string &copy);

} // namespace platform
