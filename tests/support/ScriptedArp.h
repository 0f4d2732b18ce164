// A scripted stand-in for the platform's ARP backend, installed for the
// lifetime of one object: replies a real network cannot give on demand.
#pragma once

#include <platform/backends.h>

#include <cstring>
#include <functional>
#include <map>
#include <vector>

namespace testsupport {

// Every request gets the same scripted answer: `result`, and on success
// `bytes` written to the buffer with `reportedLength` as the length, unless
// its destination has a reply of its own. Records what each request asked
// for.
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
  // A successful reply of these bytes to requests for `destination` alone.
  void replyTo(uint32_t destination, std::vector<unsigned char> written) {
    repliesTo[destination] = std::move(written);
  }

  DWORD sendArp(uint32_t destination, uint32_t source, void *macAddress,
                ULONG *physicalAddressLength) override {
    ++requests;
    lastDestination = destination;
    lastSource = source;
    lastOfferedLength = *physicalAddressLength;
    if (duringRequest)
      duringRequest();
    if (const auto own = repliesTo.find(destination); own != repliesTo.end())
      return answer(own->second, static_cast<ULONG>(own->second.size()), macAddress,
                    physicalAddressLength);
    if (result != NO_ERROR)
      return result;
    return answer(bytes, reportedLength, macAddress, physicalAddressLength);
  }

  DWORD result = ERROR_BAD_NET_NAME;
  std::vector<unsigned char> bytes;
  ULONG reportedLength = 0;
  std::map<uint32_t, std::vector<unsigned char>> repliesTo;
  // Runs inside each request, while the caller waits for the reply.
  std::function<void()> duringRequest;

  int requests = 0;
  uint32_t lastDestination = 0;
  uint32_t lastSource = 0;
  ULONG lastOfferedLength = 0;

private:
  // The reply is built on the heap, as the system backend builds it, so a
  // test that fails allocations fails this one too.
  static DWORD answer(const std::vector<unsigned char> &scripted, ULONG length, void *macAddress,
                      ULONG *physicalAddressLength) {
    const std::vector<unsigned char> reply(scripted);
    std::memcpy(macAddress, reply.data(), reply.size());
    *physicalAddressLength = length;
    return NO_ERROR;
  }
};

} // namespace testsupport
