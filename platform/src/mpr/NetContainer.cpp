#include "mpr/NetContainer.h"

#include "common/AsciiCase.h"

#include "kernel32/AnsiCharacters.h"
#include "kernel32/AnsiCodePage.h"

#include <windns.h>

#include <algorithm>
#include <cstring>

namespace {

// NetBIOS names (workgroups and domains) have at most 15 characters; a
// computer or a domain may also be named by its DNS name
// (DNS_MAX_NAME_LENGTH). Nothing longer is scanned.
constexpr size_t kMaxWorkgroupLength = 15;
constexpr size_t kMaxScannedLength = 1024;

bool isControl(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

} // namespace

DWORD platform::parseNetContainer(const char *remoteName, NetContainer &container) {
  if (remoteName == nullptr || *remoteName == '\0') {
    container = {NetContainer::Level::Provider, ""};
    return NO_ERROR;
  }
  const size_t length = strnlen(remoteName, kMaxScannedLength + 1);
  if (length > kMaxScannedLength)
    return ERROR_BAD_NETPATH;
  const std::string name(remoteName, length);
  if (std::any_of(name.begin(), name.end(), [](char c) { return isControl(c); }))
    return ERROR_BAD_NETPATH;
  // A name the ANSI code page cannot read would reach the network as '?'s
  // and could hide a separator inside a broken character: it names nothing.
  if (!isWellFormedAnsi(name))
    return ERROR_BAD_NETPATH;
  if (sameIgnoringAsciiCase(name, kBrowseProviderName)) {
    container = {NetContainer::Level::Provider, ""};
    return NO_ERROR;
  }

  // Separators are looked for on the ANSI code page's characters: the
  // second byte of a Shift_JIS character may be 0x5C.
  if (name.rfind("\\\\", 0) == 0) {
    const size_t end = findAnsiCharacter(name, "\\", 2);
    const std::string computer = name.substr(2, end == std::string::npos ? end : end - 2);
    if (computer.empty() || computer.size() > DNS_MAX_NAME_LENGTH ||
        findAnsiCharacter(computer, "/") != std::string::npos)
      return ERROR_BAD_NETPATH;
    if (end != std::string::npos)
      // "\\\\PC1\\" names nothing; "\\\\PC1\\share" is not a container.
      return end + 1 == name.size() ? ERROR_BAD_NETPATH : ERROR_NOT_CONTAINER;
    container = {NetContainer::Level::Computer, name};
    return NO_ERROR;
  }

  // A domain that WS-Discovery reports is named by its DNS name, which has a
  // dot and may be as long as a computer's; a NetBIOS name never has a dot.
  const size_t maxLength =
      findAnsiCharacter(name, ".") != std::string::npos ? DNS_MAX_NAME_LENGTH : kMaxWorkgroupLength;
  if (name.size() > maxLength || findAnsiCharacter(name, "\\/") != std::string::npos)
    return ERROR_BAD_NETPATH;
  container = {NetContainer::Level::Workgroup, name};
  return NO_ERROR;
}

std::string platform::networkName(const NetContainer &container) {
  if (container.level == NetContainer::Level::Computer)
    return "\\\\" + utf8FromAnsi(std::string_view(container.name).substr(2));
  return utf8FromAnsi(container.name);
}
