#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {
namespace {

// Linux gives up after 40 links in a row as well.
constexpr int maximumLinkHops = 40;

int kindError(const struct stat &status) {
  if (S_ISREG(status.st_mode))
    return 0;
  return S_ISDIR(status.st_mode) ? EISDIR : EINVAL;
}

int writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR)
        continue;
      return errno;
    }
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return 0;
}

// umask() can only be read by changing it, which races with other threads;
// the kernel reports it in /proc instead.
mode_t processUmask() {
  mode_t mask = 022;
  FILE *status = std::fopen("/proc/self/status", "re");
  if (status == nullptr)
    return mask;
  char line[256];
  while (std::fgets(line, sizeof line, status) != nullptr) {
    if (std::strncmp(line, "Umask:", 6) == 0) {
      mask = static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8));
      break;
    }
  }
  std::fclose(status);
  return mask & 0777;
}

std::string folderOf(const std::string &path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Makes the rename itself durable; a folder that cannot be synced (some
// file systems refuse) leaves the rename in place all the same.
void syncFolder(const std::string &folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return;
  ::fsync(fd);
  ::close(fd);
}

int readLink(const std::string &path, std::string &target) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0)
      return errno;
    if (static_cast<size_t>(length) < buffer.size()) {
      target.assign(buffer.data(), static_cast<size_t>(length));
      return 0;
    }
    buffer.resize(buffer.size() * 2);
  }
}

} // namespace

int readRegularFile(const std::string &path, std::string &bytes) {
  struct stat status {};
  if (::stat(path.c_str(), &status) != 0)
    return errno;
  if (const int error = kindError(status))
    return error;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0)
    return errno;
  int error = ::fstat(fd, &status) != 0 ? errno : kindError(status);
  if (error == 0) {
    bytes.clear();
    bytes.reserve(static_cast<size_t>(status.st_size));
    char chunk[65536];
    for (;;) {
      const ssize_t got = ::read(fd, chunk, sizeof chunk);
      if (got < 0 && errno == EINTR)
        continue;
      if (got < 0)
        error = errno;
      if (got <= 0)
        break;
      bytes.append(chunk, static_cast<size_t>(got));
    }
  }
  ::close(fd);
  return error;
}

int resolveSymlinks(const std::string &path, std::string &target) {
  std::string current = path;
  for (int hop = 0; hop < maximumLinkHops; ++hop) {
    struct stat status {};
    if (::lstat(current.c_str(), &status) != 0) {
      if (errno != ENOENT)
        return errno;
      target = current;
      return 0;
    }
    if (!S_ISLNK(status.st_mode)) {
      target = current;
      return 0;
    }
    std::string link;
    if (const int error = readLink(current, link))
      return error;
    const size_t slash = current.rfind('/');
    if (link.starts_with('/') || slash == std::string::npos)
      current = link;
    else
      current = current.substr(0, slash + 1) + link;
  }
  return ELOOP;
}

int replaceFileAtomically(const std::string &path, std::string_view bytes) {
  struct stat original {};
  const bool existed = ::stat(path.c_str(), &original) == 0;
  if (!existed && errno != ENOENT)
    return errno;
  if (existed)
    if (const int error = kindError(original))
      return error;

  const size_t slash = path.rfind('/');
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temporary = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) +
                          "." + base.substr(0, 200) + ".XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0)
    return errno;

  int error = writeAll(fd, bytes);
  if (error == 0 && existed) {
    // Only root can give the file back to its owner (EPERM otherwise): for
    // anyone else the file becomes theirs, as it would had they created it.
    if ((original.st_uid != ::geteuid() || original.st_gid != ::getegid()) &&
        ::fchown(fd, original.st_uid, original.st_gid) != 0 && errno != EPERM)
      error = errno;
    if (error == 0 && ::fchmod(fd, original.st_mode & 07777) != 0)
      error = errno;
  } else if (error == 0 && ::fchmod(fd, 0666 & ~processUmask()) != 0) {
    error = errno;
  }
  if (error == 0 && ::fsync(fd) != 0)
    error = errno;
  if (::close(fd) != 0 && error == 0)
    error = errno;
  if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
    error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    return error;
  }
  syncFolder(folderOf(path));
  return 0;
}

} // namespace platform
