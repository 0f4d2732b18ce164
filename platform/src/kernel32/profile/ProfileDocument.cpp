#include "kernel32/profile/ProfileDocument.h"

#include "common/AsciiCase.h"
#include "kernel32/profile/ProfileText.h"

namespace platform {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

enum class LineKind { Blank, Comment, Section, BrokenSection, Key, Other };

struct Line {
  size_t begin = 0; // first byte of the line (after a leading byte order mark)
  size_t end = 0;   // end of its text, before the line break
  size_t next = 0;  // first byte of the following line
  LineKind kind = LineKind::Other;
  std::string_view name;  // section or key name, trimmed
  std::string_view value; // key value, trimmed
  size_t valueStart = 0;  // first byte after the key's '='
};

void classify(std::string_view bytes, Line &line) {
  const std::string_view text = bytes.substr(line.begin, line.end - line.begin);
  size_t indent = 0;
  while (indent < text.size() && isBlank(text[indent]))
    ++indent;
  const std::string_view rest = text.substr(indent);
  const bool hasNul = rest.find('\0') != std::string_view::npos;
  if (rest.empty()) {
    line.kind = LineKind::Blank;
  } else if (rest.front() == '[') {
    const size_t close = rest.rfind(']');
    if (hasNul || close == std::string_view::npos) {
      line.kind = LineKind::BrokenSection;
    } else {
      line.kind = LineKind::Section;
      line.name = trimmed(rest.substr(1, close - 1));
    }
  } else if (rest.front() == ';') {
    line.kind = LineKind::Comment;
  } else if (const size_t equals = rest.find('='); !hasNul && equals != std::string_view::npos) {
    line.kind = LineKind::Key;
    line.name = trimmed(rest.substr(0, equals));
    line.value = trimmed(rest.substr(equals + 1));
    line.valueStart = line.begin + indent + equals + 1;
  }
}

// CR, LF and CRLF each end one line, as Windows reads them.
size_t breakLength(std::string_view bytes, size_t at) {
  return bytes.compare(at, 2, "\r\n") == 0 ? 2 : 1;
}

// Walks the lines of [from, to), which must start and end on line boundaries.
class LineScanner {
public:
  explicit LineScanner(std::string_view bytes) : LineScanner(bytes, 0, bytes.size()) {}
  LineScanner(std::string_view bytes, size_t from, size_t to)
      : bytes_(bytes), position_(from), end_(to) {}

  bool next(Line &line) {
    if (position_ >= end_)
      return false;
    line = Line{};
    line.begin = position_;
    if (position_ == 0 && bytes_.starts_with(kUtf8ByteOrderMark))
      line.begin = kUtf8ByteOrderMark.size();
    const size_t lineBreak = bytes_.find_first_of("\r\n", line.begin);
    if (lineBreak == std::string_view::npos) {
      line.end = line.next = bytes_.size();
    } else {
      line.end = lineBreak;
      line.next = lineBreak + breakLength(bytes_, lineBreak);
    }
    classify(bytes_, line);
    position_ = line.next;
    return true;
  }

private:
  std::string_view bytes_;
  size_t position_;
  size_t end_;
};

bool isHeader(const Line &line) {
  return line.kind == LineKind::Section || line.kind == LineKind::BrokenSection;
}

struct SectionBounds {
  Line header;
  size_t end = 0; // where the next header (or the file) begins
};

std::optional<SectionBounds> findSection(std::string_view bytes, std::string_view name) {
  LineScanner lines(bytes);
  Line line;
  std::optional<SectionBounds> found;
  while (lines.next(line)) {
    if (!isHeader(line))
      continue;
    if (found) {
      found->end = line.begin;
      return found;
    }
    if (line.kind == LineKind::Section && platform::sameIgnoringAsciiCase(line.name, name))
      found = SectionBounds{line, bytes.size()};
  }
  return found;
}

LineScanner sectionBody(std::string_view bytes, const SectionBounds &bounds) {
  return LineScanner(bytes, bounds.header.next, bounds.end);
}

// New lines take the file's line break: that of its first line, CRLF when
// it has none (as Windows writes).
std::string_view fileLineBreak(std::string_view bytes) {
  const size_t at = bytes.find_first_of("\r\n");
  if (at == std::string_view::npos)
    return "\r\n";
  return bytes.substr(at, breakLength(bytes, at));
}

bool endsWithLineBreak(std::string_view bytes) {
  return bytes.ends_with('\n') || bytes.ends_with('\r');
}

std::string keyLine(std::string_view key, std::string_view value) {
  std::string text;
  text.reserve(key.size() + 1 + value.size());
  text.append(key).append("=").append(value);
  return text;
}

// Puts `text` on a new line after the given one, with that line's break; a
// last line without a break gets one first.
void insertLineAfter(std::string &bytes, const Line &line, std::string_view text) {
  if (line.next == line.end) {
    const std::string_view lineBreak = fileLineBreak(bytes);
    std::string added;
    added.append(lineBreak).append(text).append(lineBreak);
    bytes.insert(line.end, added);
    return;
  }
  std::string added(text);
  added.append(bytes, line.end, line.next - line.end);
  bytes.insert(line.next, added);
}

void appendSection(std::string &bytes, std::string_view section, std::string_view key,
                   std::string_view value) {
  const std::string_view lineBreak = fileLineBreak(bytes);
  std::string added;
  // Windows puts no blank line before the new section.
  if (!bytes.empty() && !endsWithLineBreak(bytes))
    added.append(lineBreak);
  added.append("[").append(section).append("]").append(lineBreak);
  added.append(keyLine(key, value)).append(lineBreak);
  bytes.append(added);
}

} // namespace

std::optional<std::string_view> ProfileDocument::value(std::string_view section,
                                                       std::string_view key) const {
  const auto bounds = findSection(bytes_, trimmed(section));
  if (!bounds)
    return std::nullopt;
  const std::string_view wanted = trimmed(key);
  LineScanner body = sectionBody(bytes_, *bounds);
  Line line;
  while (body.next(line))
    if (line.kind == LineKind::Key && platform::sameIgnoringAsciiCase(line.name, wanted))
      return line.value;
  return std::nullopt;
}

std::vector<std::string_view> ProfileDocument::sectionNames() const {
  std::vector<std::string_view> names;
  LineScanner lines(bytes_);
  Line line;
  while (lines.next(line))
    if (line.kind == LineKind::Section && !line.name.empty())
      names.push_back(line.name);
  return names;
}

std::optional<std::vector<std::string_view>>
ProfileDocument::keyNames(std::string_view section) const {
  const auto bounds = findSection(bytes_, trimmed(section));
  if (!bounds)
    return std::nullopt;
  std::vector<std::string_view> names;
  LineScanner body = sectionBody(bytes_, *bounds);
  Line line;
  while (body.next(line))
    if (line.kind == LineKind::Key && !line.name.empty())
      names.push_back(line.name);
  return names;
}

void ProfileDocument::setValue(std::string_view section, std::string_view key,
                               std::string_view value) {
  const std::string_view sectionName = trimmed(section);
  const std::string_view keyName = trimmed(key);
  const auto bounds = findSection(bytes_, sectionName);
  if (!bounds) {
    appendSection(bytes_, sectionName, keyName, value);
    return;
  }
  LineScanner body = sectionBody(bytes_, *bounds);
  Line line;
  Line lastKey = bounds->header;
  while (body.next(line)) {
    if (line.kind != LineKind::Key)
      continue;
    if (platform::sameIgnoringAsciiCase(line.name, keyName)) {
      // Only the value changes; the key's spelling and spacing stay.
      if (line.value.empty()) {
        bytes_.replace(line.valueStart, line.end - line.valueStart, value);
      } else {
        const size_t start = static_cast<size_t>(line.value.data() - bytes_.data());
        bytes_.replace(start, line.value.size(), value);
      }
      return;
    }
    lastKey = line;
  }
  insertLineAfter(bytes_, lastKey, keyLine(keyName, value));
}

void ProfileDocument::removeKey(std::string_view section, std::string_view key) {
  const auto bounds = findSection(bytes_, trimmed(section));
  if (!bounds)
    return;
  const std::string_view wanted = trimmed(key);
  LineScanner body = sectionBody(bytes_, *bounds);
  Line line;
  while (body.next(line)) {
    if (line.kind == LineKind::Key && platform::sameIgnoringAsciiCase(line.name, wanted)) {
      bytes_.erase(line.begin, line.next - line.begin);
      return;
    }
  }
}

void ProfileDocument::removeSection(std::string_view section) {
  const auto bounds = findSection(bytes_, trimmed(section));
  if (bounds)
    bytes_.erase(bounds->header.begin, bounds->end - bounds->header.begin);
}

bool isWritableSectionName(std::string_view name) {
  return !hasLineBreak(name);
}

bool isWritableKeyName(std::string_view name) {
  const std::string_view text = trimmed(name);
  return !hasLineBreak(name) && name.find('=') == std::string_view::npos &&
         (text.empty() || (text.front() != '[' && text.front() != ';'));
}

bool isWritableValue(std::string_view value) {
  return !hasLineBreak(value);
}

} // namespace platform
