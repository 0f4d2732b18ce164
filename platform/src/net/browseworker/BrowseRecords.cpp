#include "net/browseworker/BrowseRecords.h"

namespace platform::browseworker {

namespace {

void putU16(std::string &out, uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void putU32(std::string &out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out += static_cast<char>((value >> shift) & 0xFF);
}

// Reads integers and strings off the front of a payload; any read past its
// end leaves it failed.
class Cursor {
public:
  explicit Cursor(std::string_view bytes) : bytes_(bytes) {}

  bool failed() const { return failed_; }
  bool atEnd() const { return bytes_.empty(); }

  uint32_t take(size_t width) {
    if (bytes_.size() < width) {
      failed_ = true;
      bytes_ = {};
      return 0;
    }
    uint32_t value = 0;
    for (size_t i = 0; i < width; ++i)
      value |= static_cast<uint32_t>(static_cast<unsigned char>(bytes_[i])) << (8 * i);
    bytes_.remove_prefix(width);
    return value;
  }

  std::string text(size_t length, size_t most) {
    if (length > most || bytes_.size() < length) {
      failed_ = true;
      bytes_ = {};
      return {};
    }
    std::string value(bytes_.substr(0, length));
    bytes_.remove_prefix(length);
    return value;
  }

private:
  std::string_view bytes_;
  bool failed_ = false;
};

// At most `most` bytes of `text`, not ending inside a UTF-8 character.
std::string_view cutAtCharacter(std::string_view text, size_t most) {
  if (text.size() <= most)
    return text;
  size_t end = most;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  return text.substr(0, end);
}

constexpr uint8_t kKinds = static_cast<uint8_t>(BrowseEntry::Kind::Other) + 1;

} // namespace

std::string framed(std::string_view payload) {
  std::string record;
  record.reserve(4 + payload.size());
  putU32(record, static_cast<uint32_t>(payload.size()));
  record += payload;
  return record;
}

std::string encodeRequest(const Request &request) {
  const std::string_view target = std::string_view(request.target).substr(0, kMaxName);
  const std::string_view name = std::string_view(request.name).substr(0, kMaxName);
  std::string payload(1, static_cast<char>(request.what));
  putU16(payload, static_cast<uint16_t>(target.size()));
  payload += target;
  putU16(payload, static_cast<uint16_t>(name.size()));
  payload += name;
  return payload;
}

std::optional<Request> decodeRequest(std::string_view payload) {
  if (payload.size() > kMaxRequest)
    return std::nullopt;
  Cursor cursor(payload);
  Request request;
  const uint32_t what = cursor.take(1);
  if (what != static_cast<uint8_t>(What::BrowseList) && what != static_cast<uint8_t>(What::Shares))
    return std::nullopt;
  request.what = static_cast<What>(what);
  request.target = cursor.text(cursor.take(2), kMaxName);
  request.name = cursor.text(cursor.take(2), kMaxName);
  if (cursor.failed() || !cursor.atEnd())
    return std::nullopt;
  return request;
}

std::string encodeAnswer(const Answer &answer) {
  std::string entries;
  uint32_t count = 0;
  for (const BrowseEntry &entry : answer.entries) {
    const std::string_view comment = cutAtCharacter(entry.comment, kMaxComment);
    if (count == kMaxEntries || entry.name.size() > kMaxName ||
        13 + entries.size() + 5 + entry.name.size() + comment.size() > kMaxRecord)
      continue;
    entries += static_cast<char>(entry.kind);
    putU16(entries, static_cast<uint16_t>(entry.name.size()));
    entries += entry.name;
    putU16(entries, static_cast<uint16_t>(comment.size()));
    entries += comment;
    ++count;
  }
  std::string payload(1, static_cast<char>(answer.outcome));
  putU32(payload, answer.error);
  putU32(payload, count);
  return payload + entries;
}

std::optional<Answer> decodeAnswer(std::string_view payload) {
  Cursor cursor(payload);
  Answer answer;
  const uint32_t outcome = cursor.take(1);
  if (outcome > static_cast<uint8_t>(Outcome::NoSession))
    return std::nullopt;
  answer.outcome = static_cast<Outcome>(outcome);
  answer.error = cursor.take(4);
  const uint32_t count = cursor.take(4);
  // Each entry takes at least 5 bytes: a count the payload cannot hold is
  // refused before anything is reserved for it.
  if (cursor.failed() || count > kMaxEntries || count > payload.size() / 5)
    return std::nullopt;
  if (answer.outcome != Outcome::Listed && count != 0)
    return std::nullopt;
  answer.entries.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    BrowseEntry entry;
    const uint32_t kind = cursor.take(1);
    if (kind >= kKinds)
      return std::nullopt;
    entry.kind = static_cast<BrowseEntry::Kind>(kind);
    entry.name = cursor.text(cursor.take(2), kMaxName);
    entry.comment = cursor.text(cursor.take(2), kMaxComment);
    if (cursor.failed())
      return std::nullopt;
    answer.entries.push_back(std::move(entry));
  }
  if (!cursor.atEnd())
    return std::nullopt;
  return answer;
}

void RecordReader::feed(std::string_view bytes) {
  if (!malformed_)
    buffer_ += bytes;
}

std::optional<std::string> RecordReader::next() {
  if (malformed_ || buffer_.size() < 4)
    return std::nullopt;
  Cursor cursor(buffer_);
  const uint32_t length = cursor.take(4);
  if (length > kMaxRecord) {
    malformed_ = true;
    buffer_.clear();
    return std::nullopt;
  }
  if (buffer_.size() - 4 < length)
    return std::nullopt;
  std::string payload = buffer_.substr(4, length);
  buffer_.erase(0, 4 + static_cast<size_t>(length));
  return payload;
}

} // namespace platform::browseworker
