#include "ws2_32/resolver/LocalNameLink.h"

#include "common/AsciiCase.h"

#include <netinet/in.h>

#include <algorithm>
#include <strings.h>

namespace platform {

namespace {

bool isLoopback(uint32_t address) {
  return (ntohl(address) >> 24) == 127;
}

std::string firstLabel(const std::string &name) {
  return name.substr(0, name.find('.'));
}

} // namespace

bool LocalNameLink::namesThisMachine(const std::string &name, const std::string &hostName) {
  if (name.empty() || hostName.empty())
    return false;
  const bool nameIsShort = name.find('.') == std::string::npos;
  const bool hostIsShort = hostName.find('.') == std::string::npos;
  return sameIgnoringAsciiCase(name, hostName) ||
         (nameIsShort && sameIgnoringAsciiCase(name, firstLabel(hostName))) ||
         (hostIsShort && sameIgnoringAsciiCase(firstLabel(name), hostName));
}

std::optional<HostEntry> LocalNameLink::byName(const std::string &name) {
  const std::optional<std::string> host = hostName_();
  if (!host || !namesThisMachine(name, *host))
    return std::nullopt;
  std::optional<HostEntry> answer = nameService_.byName(name);
  if (answer && std::any_of(answer->addresses.begin(), answer->addresses.end(),
                            [](uint32_t a) { return !isLoopback(a); }))
    return answer;

  std::vector<Ipv4Interface> interfaces = interfaces_();
  std::erase_if(interfaces,
                [](const Ipv4Interface &i) { return i.loopback || isLoopback(i.address); });
  std::stable_sort(interfaces.begin(), interfaces.end(),
                   [](const Ipv4Interface &a, const Ipv4Interface &b) {
                     if (a.defaultRoute != b.defaultRoute)
                       return a.defaultRoute;
                     return a.index < b.index;
                   });
  HostEntry entry{
      answer ? answer->name : name, answer ? answer->aliases : std::vector<std::string>{}, {}};
  for (const Ipv4Interface &i : interfaces)
    entry.addresses.push_back(i.address);
  if (entry.addresses.empty())
    entry.addresses.push_back(htonl(INADDR_LOOPBACK));
  return entry;
}

} // namespace platform
