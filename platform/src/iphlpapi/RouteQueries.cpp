#include "iphlpapi/RouteQueries.h"

#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <netlink/netlink.h>
#include <netlink/route/addr.h>
#include <netlink/route/link.h>
#include <netlink/route/neighbour.h>
#include <netlink/route/route.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <functional>

namespace platform::rtnl {

namespace {

using ReplyHandler = std::function<void(nl_msg *)>;

int onReply(nl_msg *message, void *handler) {
  (*static_cast<const ReplyHandler *>(handler))(message);
  return NL_OK;
}

// Sends `request` (taking it) and reads the single reply. The socket does
// not ask for acknowledgements, so the kernel answers with exactly one
// message: the object, or an error. False on an error or a socket failure.
bool exchange(nl_sock *socket, nl_msg *request, const ReplyHandler &handle) {
  const int sent = nl_send_auto(socket, request);
  nlmsg_free(request);
  if (sent < 0)
    return false;
  nl_cb *callbacks = nl_cb_alloc(NL_CB_DEFAULT);
  if (callbacks == nullptr)
    return false;
  nl_cb_set(callbacks, NL_CB_VALID, NL_CB_CUSTOM, onReply, const_cast<ReplyHandler *>(&handle));
  const int received = nl_recvmsgs(socket, callbacks);
  nl_cb_put(callbacks);
  return received >= 0;
}

// A request of `type` with a fixed header and one IPv4 address attribute.
template <class Header>
nl_msg *addressRequest(int type, const Header &header, int attribute, uint32_t address) {
  nl_msg *request = nlmsg_alloc_simple(type, 0);
  if (request == nullptr)
    return nullptr;
  if (nlmsg_append(request, const_cast<Header *>(&header), sizeof header, NLMSG_ALIGNTO) < 0 ||
      nla_put(request, attribute, sizeof address, &address) < 0) {
    nlmsg_free(request);
    return nullptr;
  }
  return request;
}

bool isAddress(nl_addr *candidate, uint32_t address) {
  return candidate != nullptr && nl_addr_get_len(candidate) == sizeof address &&
         std::memcmp(nl_addr_get_binary_addr(candidate), &address, sizeof address) == 0;
}

std::vector<unsigned char> bytesOf(nl_addr *address) {
  if (address == nullptr)
    return {};
  const auto *first = static_cast<const unsigned char *>(nl_addr_get_binary_addr(address));
  return {first, first + nl_addr_get_len(address)};
}

} // namespace

void SocketCloser::operator()(nl_sock *socket) const {
  nl_socket_free(socket);
}

Socket openQuerySocket() {
  Socket socket(nl_socket_alloc());
  if (!socket)
    return nullptr;
  nl_socket_disable_auto_ack(socket.get());
  if (nl_connect(socket.get(), NETLINK_ROUTE) < 0)
    return nullptr;
  return socket;
}

std::optional<Route> routeTo(nl_sock *socket, uint32_t destination) {
  rtmsg header{};
  header.rtm_family = AF_INET;
  header.rtm_dst_len = 32;
  nl_msg *request = addressRequest(RTM_GETROUTE, header, RTA_DST, destination);
  if (request == nullptr)
    return std::nullopt;
  std::optional<Route> route;
  exchange(socket, request, [&](nl_msg *message) {
    rtnl_route *parsed = nullptr;
    if (rtnl_route_parse(nlmsg_hdr(message), &parsed) < 0)
      return;
    Route found;
    found.type = rtnl_route_get_type(parsed);
    if (rtnl_route_get_nnexthops(parsed) > 0) {
      rtnl_nexthop *hop = rtnl_route_nexthop_n(parsed, 0);
      found.interface = rtnl_route_nh_get_ifindex(hop);
      found.viaGateway =
          rtnl_route_nh_get_gateway(hop) != nullptr || rtnl_route_nh_get_via(hop) != nullptr;
    }
    rtnl_route_put(parsed);
    route = found;
  });
  return route;
}

namespace {

struct Ages {
  std::chrono::milliseconds sinceUpdate;
  std::chrono::milliseconds sinceConfirmed;
};

// NDA_CACHEINFO's ages are in clock ticks (USER_HZ).
std::optional<Ages> cacheInfo(nl_msg *message) {
  const nlattr *info = nlmsg_find_attr(nlmsg_hdr(message), sizeof(ndmsg), NDA_CACHEINFO);
  const long ticksPerSecond = sysconf(_SC_CLK_TCK);
  if (info == nullptr || nla_len(info) < static_cast<int>(sizeof(nda_cacheinfo)) ||
      ticksPerSecond <= 0)
    return std::nullopt;
  nda_cacheinfo ticks{};
  std::memcpy(&ticks, nla_data(info), sizeof ticks);
  const auto milliseconds = [&](uint32_t age) {
    return std::chrono::milliseconds(static_cast<int64_t>(age) * 1000 / ticksPerSecond);
  };
  return Ages{milliseconds(ticks.ndm_updated), milliseconds(ticks.ndm_confirmed)};
}

} // namespace

bool Neighbour::resolved() const {
  // The states in which the kernel holds a usable link-layer address.
  constexpr int kWithAddress =
      NUD_PERMANENT | NUD_NOARP | NUD_REACHABLE | NUD_PROBE | NUD_STALE | NUD_DELAY;
  return state >= 0 && (state & kWithAddress) != 0 && !linkAddress.empty();
}

std::optional<Neighbour> neighbourFromMessage(nl_msg *message, int interface, uint32_t address) {
  rtnl_neigh *parsed = nullptr;
  if (rtnl_neigh_parse(nlmsg_hdr(message), &parsed) < 0)
    return std::nullopt;
  std::optional<Neighbour> result;
  if (rtnl_neigh_get_family(parsed) == AF_INET && rtnl_neigh_get_ifindex(parsed) == interface &&
      (rtnl_neigh_get_flags(parsed) & NTF_PROXY) == 0 &&
      isAddress(rtnl_neigh_get_dst(parsed), address)) {
    Neighbour entry;
    entry.state = rtnl_neigh_get_state(parsed);
    entry.linkAddress = bytesOf(rtnl_neigh_get_lladdr(parsed));
    entry.messageType = nlmsg_hdr(message)->nlmsg_type;
    if (const auto ages = cacheInfo(message)) {
      entry.sinceUpdate = ages->sinceUpdate;
      entry.sinceConfirmed = ages->sinceConfirmed;
    }
    result = std::move(entry);
  }
  rtnl_neigh_put(parsed);
  return result;
}

std::optional<Neighbour> neighbour(nl_sock *socket, int interface, uint32_t address) {
  ndmsg header{};
  header.ndm_family = AF_INET;
  header.ndm_ifindex = interface;
  nl_msg *request = addressRequest(RTM_GETNEIGH, header, NDA_DST, address);
  if (request == nullptr)
    return std::nullopt;
  std::optional<Neighbour> entry;
  exchange(socket, request, [&](nl_msg *message) {
    if (auto parsed = neighbourFromMessage(message, interface, address))
      entry = std::move(parsed);
  });
  return entry;
}

std::optional<Interface> interfaceInfo(nl_sock *socket, int index) {
  rtnl_link *link = nullptr;
  if (rtnl_link_get_kernel(socket, index, nullptr, &link) < 0 || link == nullptr)
    return std::nullopt;
  Interface info;
  if (const char *name = rtnl_link_get_name(link))
    info.name = name;
  info.flags = rtnl_link_get_flags(link);
  info.hardwareAddress = bytesOf(rtnl_link_get_addr(link));
  rtnl_link_put(link);
  return info;
}

std::optional<int> interfaceHolding(nl_sock *socket, uint32_t address) {
  nl_cache *addresses = nullptr;
  if (rtnl_addr_alloc_cache(socket, &addresses) < 0)
    return std::nullopt;
  std::optional<int> holder;
  for (nl_object *object = nl_cache_get_first(addresses); object != nullptr;
       object = nl_cache_get_next(object)) {
    auto *assigned = reinterpret_cast<rtnl_addr *>(object);
    if (rtnl_addr_get_family(assigned) == AF_INET &&
        isAddress(rtnl_addr_get_local(assigned), address)) {
      holder = rtnl_addr_get_ifindex(assigned);
      break;
    }
  }
  nl_cache_free(addresses);
  return holder;
}

} // namespace platform::rtnl
