#include "ws2_32/resolver/NetbiosLink.h"

#include "net/AnswerAddress.h"

namespace platform {

std::optional<HostEntry> NetbiosLink::byName(const std::string &name) {
  const std::optional<netbios::Name> wanted = netbios::hostName(name);
  if (!wanted)
    return std::nullopt;
  const NetbiosSettings settings = settings_();
  if (!settings.enabled)
    return std::nullopt;
  netbios::QueryResult result;
  if (settings.winsServer)
    result = netbios::queryName(*wanted, {*settings.winsServer}, false, kWinsRetries);
  // A name the WINS server does not know may still answer a broadcast, as
  // with Windows' hybrid node type.
  if (result.outcome != netbios::QueryOutcome::Found)
    result = netbios::queryName(*wanted, settings.broadcastAddresses, true, kBroadcastRetries);
  if (result.outcome != netbios::QueryOutcome::Found)
    return std::nullopt;
  return HostEntry{name, {}, std::move(result.addresses)};
}

std::optional<HostEntry> NetbiosLink::byAddress(uint32_t address) {
  if (!isNodeStatusTarget(address) || !settings_().enabled)
    return std::nullopt;
  const auto names = netbios::queryNodeStatus(address, kNodeStatusRetries);
  if (!names)
    return std::nullopt;
  std::optional<std::string> name = netbios::workstationName(*names);
  if (!name)
    return std::nullopt;
  return HostEntry{std::move(*name), {}, {address}};
}

bool NetbiosLink::isNodeStatusTarget(uint32_t address) {
  return isLanHostAddress(address);
}

} // namespace platform
