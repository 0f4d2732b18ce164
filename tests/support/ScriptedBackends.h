// Scripted stand-ins for the platform's name backends, installed for the
// lifetime of one object.
#pragma once

#include <platform/backends.h>

#include <arpa/inet.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

inline uint32_t address(const char *dotted) {
  uint32_t value = 0;
  ::inet_pton(AF_INET, dotted, &value);
  return value;
}

// Answers from tables; anything not in them does not resolve. Counts calls,
// keeps the names asked, and calls onLookup (when set) with each name before
// it answers.
class ScriptedResolver final : public platform::ResolverBackend {
public:
  ScriptedResolver() { platform::setResolverBackend(this); }
  ~ScriptedResolver() override { platform::setResolverBackend(nullptr); }

  void addHost(const std::string &name, std::initializer_list<const char *> dotted,
               std::vector<std::string> aliases = {}) {
    platform::HostEntry entry{name, std::move(aliases), {}};
    for (const char *d : dotted)
      entry.addresses.push_back(address(d));
    byName_[name] = entry;
    for (uint32_t a : entry.addresses)
      byAddress_.emplace(a, entry);
  }

  std::optional<platform::HostEntry> byName(const std::string &name) override {
    ++nameQueries;
    asked.push_back(name);
    if (onLookup)
      onLookup(name);
    auto found = byName_.find(name);
    return found == byName_.end() ? std::nullopt : std::optional(found->second);
  }
  std::optional<platform::HostEntry> byAddress(uint32_t a) override {
    ++addressQueries;
    auto found = byAddress_.find(a);
    return found == byAddress_.end() ? std::nullopt : std::optional(found->second);
  }

  int nameQueries = 0;
  int addressQueries = 0;
  std::vector<std::string> asked;
  std::function<void(const std::string &)> onLookup;

private:
  std::map<std::string, platform::HostEntry> byName_;
  std::map<uint32_t, platform::HostEntry> byAddress_;
};

// Fixed host and user names; std::nullopt makes the query fail.
class ScriptedNames final : public platform::NamesBackend {
public:
  ScriptedNames(std::optional<std::string> host, std::optional<std::string> user)
      : host_(std::move(host)), user_(std::move(user)) {
    platform::setNamesBackend(this);
  }
  ~ScriptedNames() override { platform::setNamesBackend(nullptr); }

  std::optional<std::string> hostName() override { return host_; }
  std::optional<std::string> userName() override { return user_; }

private:
  std::optional<std::string> host_;
  std::optional<std::string> user_;
};

} // namespace testsupport
