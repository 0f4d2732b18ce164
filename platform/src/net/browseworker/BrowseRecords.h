// What the browse backend and its worker processes (platform/worker) say to
// each other over a socket pair: length-prefixed records, one request and
// one answer at a time.
//
//   record   := length (u32) payload            length <= kMaxRecord
//   request  := what (u8) target-length (u16) target name-length (u16) name,
//               nothing after; target and name <= kMaxName
//   answer   := outcome (u8) error (u32) count (u32) entry*count, nothing after
//   entry    := kind (u8) name-length (u16) name comment-length (u16) comment
//
// Integers are little-endian. `what` is 1 for a browse list (the top level
// when the target is empty, else a workgroup's computers) and 2 for a
// server's shares (the target is its address or its name, the name the
// computer is listed under, for the logon; the name is empty otherwise).
// Credentials never cross: the worker reads the user's own. `outcome` is 0
// when the container was listed, 1 when libsmbclient failed with `error`
// (an errno value), 2 when the worker could not start libsmbclient.
//
// The worker is another process and may be broken or killed at any point,
// so whatever it sends is read as untrusted input: sizes and counts are
// bounded before anything is allocated, and anything malformed is an error.
#pragma once

#include <platform/backends.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::browseworker {

// A share listing of a few hundred shares is tens of kilobytes; a browse
// list of a large domain a few thousand computers.
inline constexpr size_t kMaxRecord = 4 << 20;
inline constexpr size_t kMaxEntries = 16384;
// NetBIOS names have 15 characters and share names 80; comments a few
// hundred. Longer ones are cut by the worker and refused from it.
inline constexpr size_t kMaxName = 1024;
inline constexpr size_t kMaxComment = 1024;
inline constexpr size_t kMaxRequest = 1 + 2 + kMaxName + 2 + kMaxName;

enum class What : uint8_t { BrowseList = 1, Shares = 2 };
enum class Outcome : uint8_t { Listed = 0, Failed = 1, NoSession = 2 };

struct Request {
  What what = What::BrowseList;
  std::string target;
  std::string name;
};

struct Answer {
  Outcome outcome = Outcome::Failed;
  uint32_t error = 0;
  std::vector<BrowseEntry> entries;
};

// The record carrying `payload`, its length in front.
std::string framed(std::string_view payload);

std::string encodeRequest(const Request &request);
std::optional<Request> decodeRequest(std::string_view payload);

// Entries beyond kMaxEntries are left out; names longer than kMaxName are
// left out, comments cut to kMaxComment at a character boundary.
std::string encodeAnswer(const Answer &answer);
std::optional<Answer> decodeAnswer(std::string_view payload);

// Collects bytes as they arrive and hands out whole records. A length over
// kMaxRecord makes the stream malformed for good.
class RecordReader {
public:
  void feed(std::string_view bytes);
  // The next whole record's payload, if one has arrived.
  std::optional<std::string> next();
  bool malformed() const { return malformed_; }
  // Bytes received and not yet handed out.
  size_t pending() const { return buffer_.size(); }

private:
  std::string buffer_;
  bool malformed_ = false;
};

} // namespace platform::browseworker
