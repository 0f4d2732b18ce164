// Dotted text of the addresses in a WinSock host record, as both deliverables
// show them. The text lives in the per-thread buffer of inet_ntoa, so it holds
// only until the thread's next conversion.
#pragma once

#include <winsock.h>

#include <cstring>

// One h_addr_list entry (four bytes in network order) in dotted form.
inline const char *dottedAddress(const char *address) {
  struct in_addr value;
  std::memcpy(&value.s_addr, address, sizeof value.s_addr);
  return inet_ntoa(value);
}

// The record's first address in dotted form; null without a record or
// without an address.
inline const char *firstDottedAddress(const struct hostent *record) {
  if (record == nullptr || record->h_addr_list[0] == nullptr)
    return nullptr;
  return dottedAddress(record->h_addr_list[0]);
}

// The record's last address in dotted form: every entry is converted in
// order, each replacing the one before. Null without a record or without an
// address.
inline const char *lastDottedAddress(const struct hostent *record) {
  if (record == nullptr)
    return nullptr;
  const char *text = nullptr;
  for (char **address = record->h_addr_list; *address != nullptr; ++address)
    text = dottedAddress(*address);
  return text;
}
