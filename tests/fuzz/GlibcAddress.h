// glibc's inet_aton, kept in a file of its own because the platform's
// winsock.h declares the same names as <arpa/inet.h>.
#pragma once

#include <cstdint>

// The address in network byte order; false when glibc does not accept text.
bool glibcInetAton(const char *text, uint32_t &address);
