// Builds a locale with localedef into a temporary folder and selects it for
// this process through LOCPATH and LC_ALL, so collation tests do not depend on
// the locales a machine happens to have installed.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace testsupport {

class GeneratedLocale {
public:
  // name: e.g. "en_US"; charmap and codeset name the character set, e.g.
  // "EUC-JP" and "eucJP" for ja_JP.eucJP.
  explicit GeneratedLocale(const std::string &name, const std::string &charmap = "UTF-8",
                           const std::string &codeset = "UTF-8") {
    char pattern[] = "/tmp/velnor-locale-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
      return;
    dir_ = pattern;
    const std::string locale = name + "." + codeset;
    const std::string command =
        "localedef -i " + name + " -f " + charmap + " " + dir_ + "/" + locale + " >/dev/null 2>&1";
    // localedef exits 1 for warnings while still writing the locale.
    std::system(command.c_str());
    if (!std::filesystem::exists(dir_ + "/" + locale + "/LC_COLLATE"))
      return;
    saveAndSet("LOCPATH", dir_);
    saveAndSet("LC_ALL", locale);
    ok_ = true;
  }
  ~GeneratedLocale() {
    restore("LOCPATH", savedLocpath_);
    restore("LC_ALL", savedLcAll_);
    if (!dir_.empty())
      std::filesystem::remove_all(dir_);
  }
  bool ok() const { return ok_; }

private:
  void saveAndSet(const char *variable, const std::string &value) {
    const char *old = std::getenv(variable);
    (std::string(variable) == "LOCPATH" ? savedLocpath_ : savedLcAll_) =
        old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv(variable, value.c_str(), 1);
  }
  static void restore(const char *variable, const std::optional<std::string> &value) {
    if (value)
      ::setenv(variable, value->c_str(), 1);
    else
      ::unsetenv(variable);
  }

  std::string dir_;
  bool ok_ = false;
  std::optional<std::string> savedLocpath_;
  std::optional<std::string> savedLcAll_;
};

} // namespace testsupport
