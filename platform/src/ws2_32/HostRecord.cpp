#include "ws2_32/HostRecord.h"

#include "kernel32/AnsiCodePage.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct ThreadHostRecord {
  std::string name;
  std::vector<std::string> aliases;
  std::vector<char *> aliasPointers;
  std::vector<std::array<char, 4>> addresses;
  std::vector<char *> addressPointers;
  struct hostent record {};
};

thread_local ThreadHostRecord threadRecord;

} // namespace

struct hostent *platform::fillThreadHostRecord(const HostEntry &entry) {
  ThreadHostRecord &r = threadRecord;
  // Name services answer in UTF-8; the caller reads ANSI.
  r.name = ansiFromUtf8(entry.name);
  r.aliases.clear();
  for (const std::string &alias : entry.aliases)
    r.aliases.push_back(ansiFromUtf8(alias));
  r.aliasPointers.clear();
  for (std::string &alias : r.aliases)
    r.aliasPointers.push_back(alias.data());
  r.aliasPointers.push_back(nullptr);

  r.addresses.assign(entry.addresses.size(), {});
  for (size_t i = 0; i < entry.addresses.size(); ++i)
    std::memcpy(r.addresses[i].data(), &entry.addresses[i], 4);
  r.addressPointers.clear();
  for (auto &address : r.addresses)
    r.addressPointers.push_back(address.data());
  r.addressPointers.push_back(nullptr);

  r.record.h_name = r.name.data();
  r.record.h_aliases = r.aliasPointers.data();
  r.record.h_addrtype = AF_INET;
  r.record.h_length = 4;
  r.record.h_addr_list = r.addressPointers.data();
  return &r.record;
}
