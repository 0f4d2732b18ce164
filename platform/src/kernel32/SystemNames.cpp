#include "kernel32/Kernel32Backends.h"

#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <vector>

namespace {

class SystemNames final : public platform::NamesBackend {
public:
  std::optional<std::string> hostName() override {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name) != 0)
      return std::nullopt;
    return std::string(name);
  }

  std::optional<std::string> userName() override {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> scratch(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd *result = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, scratch.data(), scratch.size(), &result) != 0 ||
        result == nullptr || result->pw_name == nullptr)
      return std::nullopt;
    return std::string(result->pw_name);
  }
};

} // namespace

platform::NamesBackend &platform::systemNames() {
  // Never destroyed: the work ahead's threads may ask for it at exit.
  static auto &names = *new SystemNames;
  return names;
}
