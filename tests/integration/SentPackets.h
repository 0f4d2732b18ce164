// Counts the IPv4 packets this machine sends on one interface, from a packet
// socket: ARP (the kernel's own probes, or its replies to a peer's) is no
// IPv4 and does not count.
#pragma once

#include <string>

class SentIpv4Packets {
public:
  explicit SentIpv4Packets(const std::string &interface);
  ~SentIpv4Packets();
  SentIpv4Packets(const SentIpv4Packets &) = delete;
  SentIpv4Packets &operator=(const SentIpv4Packets &) = delete;

  bool ok() const { return fd_ >= 0; }
  // Sent since the counter was made; the socket is read up to now.
  long count();

private:
  int fd_ = -1;
  long sent_ = 0;
};
