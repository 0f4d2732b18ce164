// What a browse worker sends back, read as the browse backend reads it: the
// bytes arrive in pieces (the first input byte sets their size), the record
// reader cuts them into records and each record is read as an answer. Any
// answer read must stay within the bounds and survive being written and
// read again unchanged; no input may crash, hang or allocate beyond them.
#include "FuzzCheck.h"

#include "net/browseworker/BrowseRecords.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace records = platform::browseworker;

namespace {

bool sameAnswer(const records::Answer &a, const records::Answer &b) {
  if (a.outcome != b.outcome || a.error != b.error || a.entries.size() != b.entries.size())
    return false;
  for (size_t i = 0; i < a.entries.size(); ++i)
    if (a.entries[i].kind != b.entries[i].kind || a.entries[i].name != b.entries[i].name ||
        a.entries[i].comment != b.entries[i].comment)
      return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0)
    return 0;
  const size_t piece = 1 + data[0];
  std::string_view input(reinterpret_cast<const char *>(data) + 1, size - 1);
  records::RecordReader reader;
  while (!input.empty() && !reader.malformed()) {
    reader.feed(input.substr(0, piece));
    input.remove_prefix(std::min(piece, input.size()));
    while (std::optional<std::string> payload = reader.next()) {
      FUZZ_CHECK(payload->size() <= records::kMaxRecord);
      if (std::optional<records::Answer> answer = records::decodeAnswer(*payload)) {
        FUZZ_CHECK(answer->entries.size() <= records::kMaxEntries);
        for (const platform::BrowseEntry &entry : answer->entries)
          FUZZ_CHECK(entry.name.size() <= records::kMaxName &&
                     entry.comment.size() <= records::kMaxComment);
        const std::optional<records::Answer> again =
            records::decodeAnswer(records::encodeAnswer(*answer));
        FUZZ_CHECK(again && sameAnswer(*answer, *again));
      }
      if (std::optional<records::Request> request = records::decodeRequest(*payload)) {
        const std::optional<records::Request> again =
            records::decodeRequest(records::encodeRequest(*request));
        FUZZ_CHECK(again && again->what == request->what && again->target == request->target &&
                   again->name == request->name);
      }
    }
  }
  return 0;
}
