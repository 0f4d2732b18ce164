#include "kernel32/profile/VirtualStore.h"

#include "kernel32/profile/AtomicFile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

namespace platform {
namespace {

bool isAbsolute(const char *path) {
  return path != nullptr && path[0] == '/';
}

std::string homeFolder() {
  if (const char *home = std::getenv("HOME"); isAbsolute(home))
    return home;
  const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> scratch(size > 0 ? static_cast<size_t>(size) : 16384);
  struct passwd entry {};
  struct passwd *result = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, scratch.data(), scratch.size(), &result) != 0 ||
      result == nullptr || !isAbsolute(result->pw_dir))
    return {};
  return result->pw_dir;
}

// The XDG base folder for settings; a relative $XDG_CONFIG_HOME is to be
// ignored, as the XDG rules say.
std::string configHome() {
  if (const char *config = std::getenv("XDG_CONFIG_HOME"); isAbsolute(config))
    return config;
  const std::string home = homeFolder();
  return home.empty() ? std::string() : home + "/.config";
}

// EACCES and EPERM for a folder the user may not write, EROFS for a
// read-only mount (a program on a read-only image).
bool isProtected(const std::string &folder) {
  if (::faccessat(AT_FDCWD, folder.c_str(), W_OK, AT_EACCESS) == 0)
    return false;
  return errno == EACCES || errno == EPERM || errno == EROFS;
}

} // namespace

std::string perUserCopyOf(const std::string &file) {
  const std::string folder = folderOf(file);
  if (!isProtected(folder))
    return {};
  // The folder's real path names the copy, so every spelling of the folder
  // (relative, through links, /bin for /usr/bin) finds the same copy.
  char real[PATH_MAX];
  if (::realpath(folder.c_str(), real) == nullptr)
    return {};
  const std::string home = configHome();
  if (home.empty())
    return {};
  const std::string folderPath = real;
  const std::string name = file.substr(file.rfind('/') + 1);
  return home + "/velnor/VirtualStore" + (folderPath == "/" ? "" : folderPath) + "/" + name;
}

int createPerUserFolders(const std::string &copy) {
  const std::string folder = folderOf(copy);
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string step = folder.substr(0, slash);
    if (::mkdir(step.c_str(), 0700) != 0 && errno != EEXIST)
      return errno;
    if (slash == std::string::npos)
      return 0;
  }
}

} // namespace platform
