// The system name service (hosts file, DNS, whatever nsswitch.conf says),
// IPv4 only, keeping the order the service gives.
#include "ws2_32/Ws2_32Backends.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

std::optional<platform::HostEntry> toEntry(const struct ::hostent &record) {
  if (record.h_addrtype != AF_INET || record.h_length != 4)
    return std::nullopt;
  platform::HostEntry entry;
  entry.name = record.h_name != nullptr ? record.h_name : "";
  for (char **alias = record.h_aliases; alias != nullptr && *alias != nullptr; ++alias)
    entry.aliases.emplace_back(*alias);
  for (char **address = record.h_addr_list; address != nullptr && *address != nullptr; ++address) {
    uint32_t value;
    std::memcpy(&value, *address, 4);
    entry.addresses.push_back(value);
  }
  return entry;
}

// Runs one reentrant glibc lookup, growing its scratch buffer as it asks.
template <class Lookup> std::optional<platform::HostEntry> lookUp(Lookup lookup) {
  std::vector<char> scratch(2048);
  for (;;) {
    struct ::hostent record {};
    struct ::hostent *result = nullptr;
    int hostError = 0;
    const int rc = lookup(&record, scratch.data(), scratch.size(), &result, &hostError);
    if (rc == ERANGE && scratch.size() < (1u << 20)) {
      scratch.resize(scratch.size() * 2);
      continue;
    }
    if (rc != 0 || result == nullptr)
      return std::nullopt;
    return toEntry(*result);
  }
}

class SystemResolver final : public platform::ResolverBackend {
public:
  std::optional<platform::HostEntry> byName(const std::string &name) override {
    return lookUp([&](struct ::hostent *record, char *buffer, size_t size,
                      struct ::hostent **result, int *hostError) {
      return ::gethostbyname2_r(name.c_str(), AF_INET, record, buffer, size, result, hostError);
    });
  }

  std::optional<platform::HostEntry> byAddress(uint32_t address) override {
    return lookUp([&](struct ::hostent *record, char *buffer, size_t size,
                      struct ::hostent **result, int *hostError) {
      return ::gethostbyaddr_r(&address, 4, AF_INET, record, buffer, size, result, hostError);
    });
  }
};

} // namespace

platform::ResolverBackend &platform::nameServiceSwitch() {
  // Never destroyed, as the chain that uses it (ws2_32/SystemResolverChain.cpp).
  static auto &resolver = *new SystemResolver;
  return resolver;
}
