// Counts the packets this machine sends on one interface, from a packet
// socket: IPv4 packets, and apart from them the ARP requests (the kernel's
// own probes) for one address.
#pragma once

#include <cstdint>
#include <map>
#include <string>

class SentIpv4Packets {
public:
  explicit SentIpv4Packets(const std::string &interface);
  ~SentIpv4Packets();
  SentIpv4Packets(const SentIpv4Packets &) = delete;
  SentIpv4Packets &operator=(const SentIpv4Packets &) = delete;

  bool ok() const { return fd_ >= 0; }
  // IPv4 packets sent since the counter was made; the socket is read up to
  // now.
  long count();
  // ARP requests sent since the counter was made that ask for `address`
  // (network order).
  long arpRequestsFor(uint32_t address);

private:
  void read();

  int fd_ = -1;
  long sent_ = 0;
  std::map<uint32_t, long> arpRequests_; // by the address asked for
};
