// Reading the fuzz targets' inputs: lines, tab-separated fields, and browse
// entries written one a line.
#pragma once

#include <platform/backends.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace fuzzinput {

// The next line, without its '\n'; the rest stays in `input`.
inline std::string_view nextLine(std::string_view &input) {
  const size_t end = input.find('\n');
  const std::string_view line = input.substr(0, end);
  input.remove_prefix(end == std::string_view::npos ? input.size() : end + 1);
  return line;
}

// The next tab-separated field of a header, cut at a NUL as a C string is.
inline std::string field(std::string_view &header) {
  const size_t tab = header.find('\t');
  std::string text(header.substr(0, tab));
  header.remove_prefix(tab == std::string_view::npos ? header.size() : tab + 1);
  return text.substr(0, text.find('\0'));
}

// Up to `most` entries, one a line: a kind byte (its value modulo 6: 0
// workgroup, 1 server, 2 file share, 3 printer, 4 IPC, 5 other), the name,
// a tab and the comment.
inline std::vector<platform::BrowseEntry> browseEntries(std::string_view input, size_t most) {
  using platform::BrowseEntry;
  std::vector<BrowseEntry> entries;
  while (!input.empty() && entries.size() < most) {
    std::string_view line = nextLine(input);
    BrowseEntry entry;
    if (!line.empty()) {
      entry.kind = static_cast<BrowseEntry::Kind>(static_cast<unsigned char>(line[0]) % 6);
      line.remove_prefix(1);
    }
    const size_t tab = line.find('\t');
    entry.name = std::string(line.substr(0, tab));
    if (tab != std::string_view::npos)
      entry.comment = std::string(line.substr(tab + 1));
    entries.push_back(std::move(entry));
  }
  return entries;
}

} // namespace fuzzinput
