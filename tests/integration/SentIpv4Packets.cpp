#include "SentIpv4Packets.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

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

void SentIpv4Packets::read() {
  unsigned char packet[2048];
  sockaddr_ll from{};
  socklen_t length = sizeof from;
  ssize_t size = 0;
  while ((size = ::recvfrom(fd_, packet, sizeof packet, 0, reinterpret_cast<sockaddr *>(&from),
                            &length)) >= 0) {
    if (from.sll_pkttype == PACKET_OUTGOING && from.sll_protocol == htons(ETH_P_IP))
      ++sent_;
    // An Ethernet ARP request: operation 1 at byte 6, target address at 24.
    if (from.sll_pkttype == PACKET_OUTGOING && from.sll_protocol == htons(ETH_P_ARP) &&
        size >= 28 && packet[6] == 0 && packet[7] == 1) {
      uint32_t target = 0;
      std::memcpy(&target, packet + 24, sizeof target);
      ++arpRequests_[target];
    }
    length = sizeof from;
  }
}

long SentIpv4Packets::count() {
  read();
  return sent_;
}

long SentIpv4Packets::arpRequestsFor(uint32_t address) {
  read();
  return arpRequests_[address];
}
