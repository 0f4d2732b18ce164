// A user name and password saved for one server, as the keyring or the
// credentials file holds it. The password is wiped when the logon goes, so
// that it lives no longer than the listing that uses it.
#pragma once

#include <string>

namespace platform::logon {

// Text whose bytes are zeroed before its memory is given back.
class SecretText {
public:
  SecretText() = default;
  explicit SecretText(std::string text) : text_(std::move(text)) {}
  ~SecretText() { wipe(); }
  SecretText(SecretText &&other) noexcept : text_(std::move(other.text_)) { other.wipe(); }
  SecretText &operator=(SecretText &&other) noexcept {
    if (this != &other) {
      wipe();
      text_ = std::move(other.text_);
      other.wipe();
    }
    return *this;
  }
  SecretText(const SecretText &) = delete;
  SecretText &operator=(const SecretText &) = delete;

  const std::string &text() const { return text_; }
  std::string &text() { return text_; }

private:
  void wipe();
  std::string text_;
};

struct SavedLogon {
  std::string domain;
  std::string user;
  SecretText password;
};

} // namespace platform::logon
