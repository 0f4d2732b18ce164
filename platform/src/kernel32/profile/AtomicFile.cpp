#include "kernel32/profile/AtomicFile.h"
#include "kernel32/profile/LinkFollowing.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace platform {
namespace {

// Linux gives up after 40 links in a row as well.
constexpr int kMaximumLinkHops = 40;

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

// A writer killed after naming its temporary file and before the rename
// leaves that file behind. Temporary names say which process wrote them
// (".<file>.<pid>.<6 letters or digits>"), and the writer holds an exclusive
// flock on its file until it is done, so a later writer removes a leftover
// only when its process is gone and nobody holds the lock: a live writer's
// file, also one in another pid namespace, is left alone.
class TemporaryNames {
public:
  explicit TemporaryNames(const std::string &path) {
    const size_t slash = path.rfind('/');
    base_ = "." + (slash == std::string::npos ? path : path.substr(slash + 1)).substr(0, 200) + ".";
  }

  // This process's name for a temporary file, with the random part still
  // to fill in (mkostemp's template) or filled in.
  std::string own(const std::string &folder, bool random) const {
    return folder + "/" + base_ + std::to_string(::getpid()) + "." +
           (random ? randomLetters() : "XXXXXX");
  }

  // The writer's pid when `entry` is a temporary name of this file, else 0.
  pid_t owner(std::string_view entry) const {
    if (!entry.starts_with(base_))
      return 0;
    entry.remove_prefix(base_.size());
    const size_t dot = entry.find('.');
    if (dot == 0 || dot == std::string_view::npos || dot > 9 ||
        entry.size() != dot + 1 + kLetterCount)
      return 0;
    pid_t pid = 0;
    for (const char c : entry.substr(0, dot)) {
      if (c < '0' || c > '9')
        return 0;
      pid = pid * 10 + (c - '0');
    }
    for (const char c : entry.substr(dot + 1))
      if (!isLetterOrDigit(c))
        return 0;
    return pid;
  }

private:
  static constexpr size_t kLetterCount = 6;

  // ASCII only, whatever the locale: mkostemp's letters.
  static bool isLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  }

  static std::string randomLetters() {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random(
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<uint64_t>(::gettid()) << 32);
    std::string text(kLetterCount, 'X');
    for (char &c : text)
      c = kLetters[random() % (sizeof kLetters - 1)];
    return text;
  }

  std::string base_;
};

bool processIsGone(pid_t pid) {
  return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

void removeDeadWritersFiles(const std::string &folder, const TemporaryNames &names) {
  DIR *listing = ::opendir(folder.c_str());
  if (listing == nullptr)
    return;
  const int folderFd = ::dirfd(listing);
  while (const struct dirent *entry = ::readdir(listing)) {
    const pid_t pid = names.owner(entry->d_name);
    if (pid <= 0 || !processIsGone(pid))
      continue;
    const int fd = ::openat(folderFd, entry->d_name,
                            O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
      continue;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
      ::unlinkat(folderFd, entry->d_name, 0);
    ::close(fd);
  }
  ::closedir(listing);
}

// The new content's file: unnamed (O_TMPFILE) until just before the rename
// where the file system allows it, so that a writer killed while writing
// leaves nothing behind; otherwise named from the start.
class TemporaryFile {
public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile &) = delete;
  TemporaryFile &operator=(const TemporaryFile &) = delete;
  ~TemporaryFile() { close(); }

  int create(const std::string &folder, const TemporaryNames &names) {
    folder_ = folder;
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd_ < 0) {
      // File systems (and kernels) without O_TMPFILE answer with one of these.
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL && errno != ENOENT)
        return errno;
      path_ = names.own(folder, false);
      fd_ = ::mkostemp(path_.data(), O_CLOEXEC);
      if (fd_ < 0) {
        path_.clear();
        return errno;
      }
    }
    ::flock(fd_, LOCK_EX | LOCK_NB);
    return 0;
  }

  int fd() const { return fd_; }
  const std::string &path() const { return path_; }

  // Gives an unnamed file its temporary name.
  int name(const TemporaryNames &names) {
    if (!path_.empty())
      return 0;
    const std::string viaProc = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string candidate = names.own(folder_, true);
      int result =
          ::linkat(AT_FDCWD, viaProc.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW);
      int error = result == 0 ? 0 : errno;
      // Without /proc only a process with CAP_DAC_READ_SEARCH can do this.
      if (error == ENOENT && ::linkat(fd_, "", AT_FDCWD, candidate.c_str(), AT_EMPTY_PATH) == 0)
        error = 0;
      if (error == 0) {
        path_ = std::move(candidate);
        return 0;
      }
      if (error != EEXIST)
        return error;
    }
    return EEXIST;
  }

  void renamed() { path_.clear(); }

  // Closes the file (dropping its lock) and removes a named one that was
  // not renamed into place.
  int close() {
    int error = 0;
    if (!path_.empty()) {
      ::unlink(path_.c_str());
      path_.clear();
    }
    if (fd_ >= 0 && ::close(fd_) != 0)
      error = errno;
    fd_ = -1;
    return error;
  }

private:
  int fd_ = -1;
  std::string folder_;
  std::string path_; // empty while the file has no name
};

} // namespace

std::string folderOf(const std::string &path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

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
  for (int hop = 0; hop < kMaximumLinkHops; ++hop) {
    struct stat status {};
    if (::lstat(current.c_str(), &status) != 0) {
      if (errno != ENOENT)
        return errno;
      if (hop > 0)
        return EACCES;
      target = current;
      return 0;
    }
    if (!S_ISLNK(status.st_mode)) {
      target = current;
      return 0;
    }
    if (const int error = linkFollowAccess(status.st_uid, folderOf(current)))
      return error;
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

int writeAccess(const std::string &path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0 && (status.st_mode & 0222) == 0)
    return EACCES;
  return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0 ? 0 : errno;
}

int replaceFileAtomically(const std::string &path, std::string_view bytes) {
  struct stat original {};
  const bool existed = ::stat(path.c_str(), &original) == 0;
  if (!existed && errno != ENOENT)
    return errno;
  if (existed) {
    if (const int error = kindError(original))
      return error;
    // The rename would replace a file its caller may not write.
    if (const int error = writeAccess(path))
      return error;
  }

  const std::string folder = folderOf(path);
  const TemporaryNames names(path);
  removeDeadWritersFiles(folder, names);

  TemporaryFile temporary;
  if (const int error = temporary.create(folder, names))
    return error;
  int error = writeAll(temporary.fd(), bytes);
  if (error == 0 && existed) {
    // Only root can give the file back to its owner (EPERM otherwise): for
    // anyone else the file becomes theirs, as it would had they created it.
    if ((original.st_uid != ::geteuid() || original.st_gid != ::getegid()) &&
        ::fchown(temporary.fd(), original.st_uid, original.st_gid) != 0 && errno != EPERM)
      error = errno;
    if (error == 0 && ::fchmod(temporary.fd(), original.st_mode & 07777) != 0)
      error = errno;
  } else if (error == 0 && ::fchmod(temporary.fd(), 0666 & ~processUmask()) != 0) {
    error = errno;
  }
  if (error == 0 && ::fsync(temporary.fd()) != 0)
    error = errno;
  if (error == 0)
    error = temporary.name(names);
  if (error == 0 && ::rename(temporary.path().c_str(), path.c_str()) != 0)
    error = errno;
  if (error == 0)
    temporary.renamed();
  if (const int closeError = temporary.close(); error == 0)
    error = closeError;
  if (error != 0)
    return error;
  syncFolder(folder);
  return 0;
}

} // namespace platform
