#include "worker/logon/CredentialsFile.h"

#include <platform/lan.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Larger files are refused: the file holds a few lines a server.
constexpr off_t kMaxFileBytes = 256 * 1024;

struct OpenFile {
  int fd = -1;
  std::string refusal;
  ~OpenFile() {
    if (fd >= 0)
      ::close(fd);
  }
};

// Opens the file without following a link and checks what it is, on the
// open descriptor so that nothing can be swapped in between.
void openChecked(const std::string &path, OpenFile &file) {
  file.fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (file.fd < 0) {
    if (errno != ENOENT && errno != ENOTDIR)
      file.refusal = path + ": " + (errno == ELOOP ? "is a symbolic link" : std::strerror(errno));
    return;
  }
  struct stat status {};
  if (::fstat(file.fd, &status) != 0)
    file.refusal = path + ": " + std::strerror(errno);
  else if (!S_ISREG(status.st_mode))
    file.refusal = path + ": not a regular file";
  else if (status.st_uid != ::geteuid())
    file.refusal = path + ": not owned by the user";
  else if ((status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
    file.refusal = path + ": group or others may read or write it (chmod 600 it)";
  else if (status.st_size > kMaxFileBytes)
    file.refusal = path + ": larger than 256 KiB";
}

} // namespace

std::string platform::logon::credentialsFilePath() {
  const char *config = std::getenv("XDG_CONFIG_HOME");
  // XDG: a relative XDG_CONFIG_HOME is invalid and ignored.
  if (config != nullptr && config[0] == '/')
    return std::string(config) + "/velnor/credentials";
  const char *home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/')
    return std::string(home) + "/.config/velnor/credentials";
  return {};
}

std::string platform::credentialsFileRefusal() {
  const std::string path = logon::credentialsFilePath();
  if (path.empty())
    return {};
  OpenFile file;
  openChecked(path, file);
  return file.refusal.empty() ? std::string() : "credentials file refused: " + file.refusal;
}

std::optional<platform::logon::SavedLogon> platform::logon::fileLogon(const std::string &computer) {
  const std::string path = credentialsFilePath();
  if (path.empty())
    return std::nullopt;
  OpenFile file;
  openChecked(path, file);
  if (file.fd < 0 || !file.refusal.empty())
    return std::nullopt;
  SecretText text(std::string(static_cast<size_t>(kMaxFileBytes) + 1, '\0'));
  std::string &bytes = text.text();
  size_t filled = 0;
  while (filled < bytes.size()) {
    const ssize_t got = ::read(file.fd, bytes.data() + filled, bytes.size() - filled);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      break;
    filled += static_cast<size_t>(got);
  }
  if (filled > static_cast<size_t>(kMaxFileBytes))
    return std::nullopt;
  return logonInCredentials(std::string_view(bytes.data(), filled), computer);
}
