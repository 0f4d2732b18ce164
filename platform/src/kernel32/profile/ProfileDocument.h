// An INI document held as its exact bytes. Lookups follow the Windows profile
// rules; edits splice in or cut out only the lines they concern, so every
// other byte (comments, blank lines, unreadable lines, line endings) stays as
// it was.
//
// Reading rules:
// - CR, LF and CRLF each end a line.
// - A line whose first non-blank character is '[' and that has a ']' starts a
//   section; its name is the text up to the last ']', without blanks around
//   it. A '[' line without ']' (or holding a NUL byte) cannot be read: it
//   starts a region that belongs to no section, so the keys below it are not
//   mistaken for keys of the section before it.
// - A line whose first non-blank character is ';' is a comment.
// - Other lines with '=' are keys: the name is the text before the first '=',
//   the value the text after it, both without blanks around them. Lines
//   without '=' and lines holding NUL bytes are ignored.
// - Names match ASCII case-insensitively; the first matching section and the
//   first matching key in it win. Names passed in are trimmed the same way.
// - A UTF-8 byte order mark at the start of the file is skipped and kept.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ProfileDocument {
public:
  explicit ProfileDocument(std::string bytes) : bytes_(std::move(bytes)) {}

  const std::string &bytes() const { return bytes_; }

  // The trimmed value of the key, quotes and all.
  std::optional<std::string_view> value(std::string_view section, std::string_view key) const;
  // Every section with a non-empty name, in file order.
  std::vector<std::string_view> sectionNames() const;
  // The non-empty key names of the section, in file order; nullopt when the
  // file has no such section.
  std::optional<std::vector<std::string_view>> keyNames(std::string_view section) const;

  // Updates the first matching key in place; a new key goes on a new line
  // right after the last key line of its section (after the header when it
  // has none), and a new section at the end of the file, right after its last line.
  void setValue(std::string_view section, std::string_view key, std::string_view value);
  void removeKey(std::string_view section, std::string_view key);
  // Removes the section's header and every line up to the next header.
  void removeSection(std::string_view section);

private:
  std::string bytes_;
};

// Whether a name or value can be written without changing how the file reads
// back (no line breaks; a key name must not contain '=' nor look like a
// header or comment).
bool isWritableSectionName(std::string_view name);
bool isWritableKeyName(std::string_view name);
bool isWritableValue(std::string_view value);

} // namespace platform
