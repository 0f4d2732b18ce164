// Reads a domain name as DNS, mDNS and NetBIOS name service packets write
// it: length-prefixed labels, possibly ending in a compression pointer. The
// packet is never trusted: every label must lie inside it, the whole name
// may take at most 255 bytes, and each pointer must lead before where the
// previous one led (or before the name itself), so pointers cannot loop.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace platform {

// The labels of the name at `at`; `next` becomes the first byte after the
// name where it stands in place. False for anything malformed.
bool readDnsName(std::span<const unsigned char> packet, size_t at, std::vector<std::string> &labels,
                 size_t &next);

} // namespace platform
