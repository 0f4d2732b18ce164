// Text taken from the platform's host records: dotted addresses from its
// per-thread inet_ntoa buffer, names straight from the per-thread record.
#pragma once

#include "EmptyText.h"

#include <shared/HostAddressText.h>
#include <winsock.h>

namespace velnip {

// A name argument that names nothing. On Windows gethostbyname treats null
// and "" as this computer, which a caller asking about a host never means.
inline bool namesNothing(const char *name) {
  return name == nullptr || *name == '\0';
}

// What the exports return for an address text that does not exist.
inline const char *orEmptyText(const char *text) {
  return text != nullptr ? text : kEmptyText;
}

// The record's first address, or the empty text without one.
inline const char *firstAddressText(const struct hostent *record) {
  return orEmptyText(firstDottedAddress(record));
}

// The record's last address, or the empty text without one.
inline const char *lastAddressText(const struct hostent *record) {
  return orEmptyText(lastDottedAddress(record));
}

// gethostbyaddr for an address from inet_addr. The platform answers
// INADDR_NONE, inet_addr's value for text that is no address, with no record
// and without asking anyone.
inline struct hostent *reverseLookup(ULONG address) {
  return gethostbyaddr(reinterpret_cast<const char *>(&address), 4, AF_INET);
}

} // namespace velnip
