#include "kernel32/profile/LinkFollowing.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

int platform::linkFollowAccess(uid_t linkOwner, const std::string &folder) {
  struct stat status {};
  if (::stat(folder.c_str(), &status) != 0)
    return errno;
  constexpr mode_t kOpenToAll = S_ISVTX | S_IWOTH;
  if ((status.st_mode & kOpenToAll) != kOpenToAll)
    return 0;
  return linkOwner == ::geteuid() || linkOwner == status.st_uid ? 0 : EACCES;
}
