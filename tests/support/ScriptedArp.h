// A scripted stand-in for the platform's ARP backend, installed for the
// lifetime of one object: replies a real network cannot give on demand.
#pragma once

#include <platform/backends.h>

#include <cstring>
#include <vector>

namespace testsupport {

// Every request gets the same scripted answer: `result`, and on success
// `bytes` written to the buffer with `reportedLength` as the length. Records
// what each request asked for.
class ScriptedArp final : public platform::ArpBackend {
public:
  ScriptedArp() { platform::setArpBackend(this); }
  ~ScriptedArp() override { platform::setArpBackend(nullptr); }

  // A successful reply of these bytes, reporting their count as the length.
  void reply(std::vector<unsigned char> written) {
    result = NO_ERROR;
    reportedLength = static_cast<ULONG>(written.size());
    bytes = std::move(written);
  }
  void fail(DWORD error) { result = error; }

  DWORD sendArp(uint32_t destination, uint32_t source, void *macAddress,
                ULONG *physicalAddressLength) override {
    ++requests;
    lastDestination = destination;
    lastSource = source;
    lastOfferedLength = *physicalAddressLength;
    if (result != NO_ERROR)
      return result;
    std::memcpy(macAddress, bytes.data(), bytes.size());
    *physicalAddressLength = reportedLength;
    return NO_ERROR;
  }

  DWORD result = ERROR_BAD_NET_NAME;
  std::vector<unsigned char> bytes;
  ULONG reportedLength = 0;

  int requests = 0;
  uint32_t lastDestination = 0;
  uint32_t lastSource = 0;
  ULONG lastOfferedLength = 0;
};

} // namespace testsupport
