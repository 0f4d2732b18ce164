#include "worker/logon/AddressPin.h"

#include "worker/logon/SambaSettings.h"

#include <sys/mman.h>
#include <unistd.h>

namespace {

// A NetBIOS name: at most 15 bytes, none that the lmhosts syntax or
// Samba's resolver treats specially (it sends names with a dot to DNS).
bool pinnable(const std::string &name) {
  if (name.empty() || name.size() > 15)
    return false;
  for (unsigned char c : name)
    if (c <= ' ' || c == '#' || c == '.' || c == '"' || c == 0x7f)
      return false;
  return true;
}

bool writeAll(int fd, const std::string &text) {
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n <= 0)
      return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

} // namespace

platform::logon::AddressPin::AddressPin(const std::string &name, const std::string &address) {
  if (address.empty() || !pinnable(name))
    return;
  previousOrder_ = sambaNameResolveOrder();
  previousFile_ = lmhostsFile();
  if (!previousOrder_ || !previousFile_)
    return;
  fd_ = ::memfd_create("velnor-lmhosts", MFD_CLOEXEC);
  if (fd_ < 0 || !writeAll(fd_, address + " " + name + "#20\n"))
    return;
  if (!setLmhostsFile("/proc/self/fd/" + std::to_string(fd_)))
    return;
  pinned_ = setSambaOption("name resolve order", "lmhosts");
}

platform::logon::AddressPin::~AddressPin() {
  if (previousFile_ && fd_ >= 0)
    setLmhostsFile(*previousFile_);
  if (pinned_)
    setSambaOption("name resolve order", *previousOrder_);
  if (fd_ >= 0)
    ::close(fd_);
}
