#include "iphlpapi/NeighbourWatch.h"

#include <linux/neighbour.h>
#include <linux/rtnetlink.h>
#include <netlink/netlink.h>
#include <netlink/socket.h>
#include <poll.h>

#include <cerrno>

namespace platform::rtnl {

namespace {

// The last notification about the watched entry that settles the wait.
struct Settled {
  int interface;
  uint32_t address;
  std::optional<Neighbour> entry;
};

int onNotification(nl_msg *message, void *settled) {
  auto &state = *static_cast<Settled *>(settled);
  auto entry = neighbourFromMessage(message, state.interface, state.address);
  if (entry && entry->messageType == RTM_NEWNEIGH &&
      (entry->resolved() || (entry->state >= 0 && (entry->state & NUD_FAILED) != 0)))
    state.entry = std::move(entry);
  return NL_OK;
}

int millisecondsUntil(std::chrono::steady_clock::time_point deadline) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return static_cast<int>(left.count());
}

} // namespace

NeighbourWatch::NeighbourWatch(int interface, uint32_t address)
    : interface_(interface), address_(address) {
  Socket socket(nl_socket_alloc());
  if (!socket)
    return;
  // Notifications carry no sequence numbers of ours.
  nl_socket_disable_seq_check(socket.get());
  if (nl_connect(socket.get(), NETLINK_ROUTE) < 0 ||
      nl_socket_add_membership(socket.get(), RTNLGRP_NEIGH) < 0 ||
      nl_socket_set_nonblocking(socket.get()) < 0)
    return;
  socket_ = std::move(socket);
}

NeighbourWatch::Outcome NeighbourWatch::wait(std::chrono::steady_clock::time_point deadline,
                                             Neighbour &entry) {
  if (!socket_)
    return Outcome::Broken;
  Settled settled{interface_, address_, std::nullopt};
  nl_socket_modify_cb(socket_.get(), NL_CB_VALID, NL_CB_CUSTOM, onNotification, &settled);
  for (;;) {
    const int timeout = millisecondsUntil(deadline);
    if (timeout <= 0)
      return Outcome::TimedOut;
    pollfd readable{nl_socket_get_fd(socket_.get()), POLLIN, 0};
    const int ready = ::poll(&readable, 1, timeout);
    if (ready < 0 && errno != EINTR)
      return Outcome::Broken;
    if (ready <= 0)
      continue;
    // One datagram per call; poll() says at once when more are queued.
    const int received = nl_recvmsgs_default(socket_.get());
    if (received == -NLE_NOMEM)
      return Outcome::Lost; // the kernel reports ENOBUFS after dropping notifications
    if (received < 0 && received != -NLE_AGAIN)
      return Outcome::Broken;
    if (settled.entry) {
      entry = std::move(*settled.entry);
      return entry.resolved() ? Outcome::Resolved : Outcome::Failed;
    }
  }
}

} // namespace platform::rtnl
