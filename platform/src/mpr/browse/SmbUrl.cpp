#include "mpr/browse/SmbUrl.h"

namespace {

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

// Percent-encodes every byte but the URL's unreserved characters, so names
// holding '%', '/', '@', '#', ';', spaces and the like reach libsmbclient
// as they are.
std::string percentEncoded(const std::string &name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(name.size() * 3);
  for (unsigned char c : name) {
    if (isUnreserved(c)) {
      encoded += static_cast<char>(c);
    } else {
      encoded += '%';
      encoded += kHex[c >> 4];
      encoded += kHex[c & 0x0F];
    }
  }
  return encoded;
}

} // namespace

std::string platform::smbUrl(const std::string &host) {
  return "smb://" + percentEncoded(host);
}
