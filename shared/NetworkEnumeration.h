// The enumeration step both deliverables take: the names directly below one
// browse container, from a single WNetEnumResourceA call.
#pragma once

// winnetwk.h needs the base types of windows.h declared first.
#include <windows.h>
#include <winnetwk.h>

#include <functional>

// Closes an open enumeration when it leaves scope.
class ClosingEnumeration {
public:
  explicit ClosingEnumeration(HANDLE handle) : handle_(handle) {}
  ~ClosingEnumeration() { WNetCloseEnum(handle_); }
  ClosingEnumeration(const ClosingEnumeration &) = delete;
  ClosingEnumeration &operator=(const ClosingEnumeration &) = delete;

  HANDLE handle() const { return handle_; }

private:
  HANDLE handle_;
};

// Receives one lpRemoteName; the text lives only for the call.
using BrowseNameSink = std::function<void(LPCSTR remoteName)>;

// Opens the enumeration below ContainerName, makes one WNetEnumResourceA
// call into a bufferSize-byte buffer asking for as many entries as fit, and on
// success hands each record's lpRemoteName to sink in the order returned.
// Any failure, including "no more items" and "more data", returns false with
// nothing handed over: entries beyond what one buffer holds are never listed.
// The buffer is released and the enumeration closed on every path, also when
// sink throws.
bool enumerateBrowseNames(LPCSTR ContainerName, DWORD bufferSize, const BrowseNameSink &sink);
