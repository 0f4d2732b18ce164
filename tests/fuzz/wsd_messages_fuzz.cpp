// WS-Discovery replies, announcements and metadata as they come from the LAN, through
// libxml2 with DTDs and entities off: the readers must never crash, expand
// an entity or accept a reply without what it must hold.
#include "FuzzCheck.h"

#include "net/wsd/WsdMessages.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace wsd = platform::wsd;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // A copy of exactly the input's size, so that ASan sees any read past it.
  const std::string text(reinterpret_cast<const char *>(data), size);
  for (const wsd::MatchKind kind : {wsd::MatchKind::Probe, wsd::MatchKind::Resolve})
    if (const auto matches = wsd::readMatches(text, kind)) {
      FUZZ_CHECK(size <= wsd::kMaxMessageSize);
      FUZZ_CHECK(!matches->messageId.empty() && !matches->relatesTo.empty());
      for (const wsd::Match &match : matches->matches)
        FUZZ_CHECK(!match.endpoint.empty() && match.endpoint.size() <= 255);
    }
  if (const auto said = wsd::readAnnouncement(text))
    FUZZ_CHECK(!said->match.endpoint.empty() && said->match.endpoint.size() <= 255);
  if (const auto computer = wsd::readComputer(text)) {
    FUZZ_CHECK(!computer->name.empty() && !computer->workgroup.empty());
    FUZZ_CHECK(computer->name.find_first_of("/\\ ") == std::string::npos);
    FUZZ_CHECK(computer->workgroup.find_first_of("/\\ ") == std::string::npos);
  }
  if (const auto parsed = wsd::parseComputerText(text))
    FUZZ_CHECK(parsed->name.size() + parsed->workgroup.size() < size);
  return 0;
}
