// Replaceable backends behind the Win32 calls of this platform layer. The
// library installs the system (Linux) backends by default; tests install
// scripted ones to produce what a real network cannot on demand. Passing
// nullptr to a setter restores the system backend. Setters are not
// thread-safe: call them while no Win32 call is running.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A resolved host: the name, its aliases and its IPv4 addresses in network
// byte order, in the order the resolver gave them.
struct HostEntry {
  std::string name;
  std::vector<std::string> aliases;
  std::vector<uint32_t> addresses;
};

// Name service behind gethostbyname/gethostbyaddr.
class ResolverBackend {
public:
  virtual ~ResolverBackend() = default;
  // std::nullopt when the name or address does not resolve.
  virtual std::optional<HostEntry> byName(const std::string &name) = 0;
  virtual std::optional<HostEntry> byAddress(uint32_t address) = 0;
};

// The machine's host name and the effective user's login name.
class NamesBackend {
public:
  virtual ~NamesBackend() = default;
  virtual std::optional<std::string> hostName() = 0;
  virtual std::optional<std::string> userName() = 0;
};

// Everything behind SendARP, with SendARP's own contract: NO_ERROR and the
// bytes written with *PhyAddrLen set, or an error code.
class ArpBackend {
public:
  virtual ~ArpBackend() = default;
  virtual DWORD sendArp(uint32_t destination, uint32_t source, void *macAddress,
                        ULONG *physicalAddressLength) = 0;
};

// One entry of a browse listing as the SMB browser reports it.
struct BrowseEntry {
  enum class Kind { Workgroup, Computer, FileShare, Printer, Ipc, Other };
  Kind kind = Kind::Other;
  std::string name;    // the bare name: workgroup, computer or share
  std::string comment; // may be empty
};

// Network browsing behind the WNet functions. The container is given in the
// WNet form, already checked by the caller: "" for the top level, a workgroup
// name, or "\\\\COMPUTER". The backend reports what the network says; the WNet
// layer drops what it does not list (empty or odd names, duplicates, entries
// of another level, hidden, IPC and filtered shares).
class BrowseBackend {
public:
  virtual ~BrowseBackend() = default;
  // NO_ERROR with the entries directly below the container appended, or a
  // WNet error code (ERROR_NO_NETWORK, ERROR_BAD_NETPATH, ...).
  virtual DWORD list(const std::string &container, std::vector<BrowseEntry> &entries) = 0;
};

VELPLATFORM_API void setResolverBackend(ResolverBackend *backend);
VELPLATFORM_API void setNamesBackend(NamesBackend *backend);
VELPLATFORM_API void setArpBackend(ArpBackend *backend);
VELPLATFORM_API void setBrowseBackend(BrowseBackend *backend);

// How many WNet enumerations are open (WNetOpenEnumA not yet matched by
// WNetCloseEnum), so tests can check that every path closes its enumeration.
VELPLATFORM_API size_t openBrowseEnumerationCount();

// The process-wide WinSock start count (successful WSAStartup calls not yet
// matched by WSACleanup).
VELPLATFORM_API int winsockStartCount();

} // namespace platform
