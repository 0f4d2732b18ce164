// Connecting by a computer's name to the address this platform resolved.
//
// Kerberos needs the name (the service ticket is for cifs/NAME, and
// libsmbclient takes the name from the URL), while the platform has already
// resolved the name its own way (hosts, DNS, NetBIOS, multicast DNS,
// WS-Discovery). libsmbclient 4.17 has no call to connect a URL's name to a
// given address, but its resolver reads the "lmhosts" file first when that
// is the only method: for one listing, the pin points the lmhosts file at a
// private in-memory file naming NAME#20 (the file server's NetBIOS suffix)
// at the address, and makes "lmhosts" the only method, so that the
// workgroup probes libsmbclient makes first (NAME#1D, NAME#1B) fail at once
// instead of waiting on broadcasts. Both are restored when it goes.
#pragma once

#include <optional>
#include <string>

namespace platform::logon {

class AddressPin {
public:
  // `address` is dotted IPv4.
  AddressPin(const std::string &name, const std::string &address);
  ~AddressPin();
  AddressPin(const AddressPin &) = delete;
  AddressPin &operator=(const AddressPin &) = delete;

  // False when the name cannot be pinned (it is longer than a NetBIOS name,
  // holds a dot, space or '#', or Samba lacks the settings): libsmbclient
  // then resolves the name itself.
  bool pinned() const { return pinned_; }

private:
  int fd_ = -1;
  bool pinned_ = false;
  std::optional<std::string> previousOrder_;
  std::optional<std::string> previousFile_;
};

} // namespace platform::logon
