#include "mpr/browse/SmbUrl.h"

namespace {

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

} // namespace

std::string platform::percentEncoded(const std::string &name) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(name.size() * 3);
  for (unsigned char c : name) {
    if (isUnreserved(c)) {
      encoded += static_cast<char>(c);
    } else {
      encoded += '%';
      encoded += hex[c >> 4];
      encoded += hex[c & 0x0F];
    }
  }
  return encoded;
}

std::string platform::smbUrl(const std::string &host) {
  return "smb://" + percentEncoded(host);
}
