// Helpers for the window tests: controls found by their object names, a
// scratch folder for settings files, file access, and scripted local identity
// so that no test asks the real resolver.
#pragma once

#include <support/ScriptedBackends.h>
#include <windows.h>

#include <QObject>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace formtest {

// The control of a window with this object name and kind, as the design names
// it. A missing one throws, which fails the test that asked.
template <class Control> Control *control(const QObject &window, const char *name) {
  Control *found = window.findChild<Control *>(QString::fromLatin1(name));
  if (found == nullptr)
    throw std::runtime_error(std::string("no control named ") + name + " of the asked kind");
  return found;
}

class TempFolder {
public:
  TempFolder() {
    char pattern[] = "/tmp/velnor-form-XXXXXX";
    if (::mkdtemp(pattern) != nullptr)
      path_ = pattern;
  }
  ~TempFolder() {
    if (!path_.empty())
      std::filesystem::remove_all(path_);
  }
  TempFolder(const TempFolder &) = delete;
  TempFolder &operator=(const TempFolder &) = delete;

  bool ok() const { return !path_.empty(); }
  std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
  std::string path_;
};

inline std::string readFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

inline void writeFile(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The stored text of a key of section "Window", or "<missing>".
inline std::string windowValue(const std::string &path, const char *key) {
  char value[256] = {};
  GetPrivateProfileStringA("Window", key, "<missing>", value, sizeof value, path.c_str());
  return value;
}

// This machine is "pc1" (NetBIOS name "PC1"), logged in as "alice", with the
// addresses 192.0.2.10 and 192.0.2.20.
class ScriptedIdentity {
public:
  ScriptedIdentity() { resolver.addHost("pc1", {"192.0.2.10", "192.0.2.20"}); }

  testsupport::ScriptedNames names{"pc1", "alice"};
  testsupport::ScriptedResolver resolver;
};

} // namespace formtest
