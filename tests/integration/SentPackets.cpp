#include "SentPackets.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

SentIpv4Packets::SentIpv4Packets(const std::string &interface) {
  // Only a socket for every protocol sees what leaves.
  fd_ = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, htons(ETH_P_ALL));
  sockaddr_ll local{};
  local.sll_family = AF_PACKET;
  local.sll_protocol = htons(ETH_P_ALL);
  local.sll_ifindex = static_cast<int>(::if_nametoindex(interface.c_str()));
  if (fd_ >= 0 && (local.sll_ifindex == 0 ||
                   ::bind(fd_, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0)) {
    ::close(fd_);
    fd_ = -1;
  }
}

SentIpv4Packets::~SentIpv4Packets() {
  if (fd_ >= 0)
    ::close(fd_);
}

long SentIpv4Packets::count() {
  unsigned char packet[2048];
  sockaddr_ll from{};
  socklen_t length = sizeof from;
  while (::recvfrom(fd_, packet, sizeof packet, 0, reinterpret_cast<sockaddr *>(&from), &length) >=
         0) {
    if (from.sll_pkttype == PACKET_OUTGOING && from.sll_protocol == htons(ETH_P_IP))
      ++sent_;
    length = sizeof from;
  }
  return sent_;
}
