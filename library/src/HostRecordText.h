// Text taken from the platform's host records: dotted addresses from its
// per-thread inet_ntoa buffer, names straight from the per-thread record.
#pragma once

#include "EmptyText.h"

#include <winsock.h>

#include <cstring>

namespace velnip {

// A name argument that names nothing. On Windows gethostbyname treats null
// and "" as this computer, which a caller asking about a host never means.
inline bool namesNothing(const char *name) {
  return name == nullptr || *name == '\0';
}

inline const char *dottedAddress(const char *address) {
  struct in_addr value;
  std::memcpy(&value.s_addr, address, 4);
  return inet_ntoa(value);
}

// The record's first address, or the empty text without a record.
inline const char *firstAddressText(const struct hostent *record) {
  if (record == nullptr || record->h_addr_list[0] == nullptr)
    return kEmptyText;
  return dottedAddress(record->h_addr_list[0]);
}

// The record's last address: every entry is converted in order, each
// replacing the one before.
inline const char *lastAddressText(const struct hostent *record) {
  if (record == nullptr)
    return kEmptyText;
  const char *text = kEmptyText;
  for (char **address = record->h_addr_list; *address != nullptr; ++address)
    text = dottedAddress(*address);
  return text;
}

// gethostbyaddr for an address from inet_addr. The platform answers
// INADDR_NONE, inet_addr's value for text that is no address, with no record
// and without asking anyone.
inline struct hostent *reverseLookup(ULONG address) {
  return gethostbyaddr(reinterpret_cast<const char *>(&address), 4, AF_INET);
}

} // namespace velnip
