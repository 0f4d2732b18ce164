// Reads an INI file, applies one update and checks that it changed only what
// it should: every other byte of the file is kept, and every other key reads
// back as before.
//
// Input: "<op>\t<section>\t<key>\t<value>\n" and then the file's bytes. op
// is 's' (set the value), 'k' (delete the key) or 'x' (delete the section).
#include "FuzzCheck.h"
#include "FuzzInput.h"

#include "common/AsciiCase.h"
#include "kernel32/profile/ProfileDocument.h"
#include "kernel32/profile/ProfileText.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using fuzzinput::field;
using platform::hasLineBreak;
using platform::ProfileDocument;
using platform::sameIgnoringAsciiCase;
using platform::trimmed;

namespace {

struct Setting {
  std::string section;
  std::string key;
  std::optional<std::string> value;
};

// The first keys of the first sections, with what they read as.
std::vector<Setting> settingsOf(const ProfileDocument &profile) {
  std::vector<Setting> settings;
  const auto sections = profile.sectionNames();
  for (size_t s = 0; s < std::min<size_t>(sections.size(), 16); ++s) {
    const auto keys = profile.keyNames(sections[s]);
    for (size_t k = 0; keys && k < std::min<size_t>(keys->size(), 16); ++k) {
      Setting setting{std::string(sections[s]), std::string((*keys)[k]), std::nullopt};
      if (const auto value = profile.value(setting.section, setting.key))
        setting.value = std::string(*value);
      settings.push_back(std::move(setting));
    }
  }
  return settings;
}

// The bytes of `before` that `after` no longer has, and those it gained,
// between their common prefix and suffix.
std::pair<std::string_view, std::string_view> difference(std::string_view before,
                                                         std::string_view after) {
  size_t prefix = 0;
  while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
    ++prefix;
  size_t suffix = 0;
  while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
         before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
    ++suffix;
  return {before.substr(prefix, before.size() - prefix - suffix),
          after.substr(prefix, after.size() - prefix - suffix)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view input(reinterpret_cast<const char *>(data), size);
  const size_t newline = input.find('\n');
  if (newline == std::string_view::npos)
    return 0;
  std::string_view header = input.substr(0, newline);
  const std::string op = field(header);
  const std::string section = field(header);
  const std::string key = field(header);
  const std::string value = field(header);
  const std::string original(input.substr(newline + 1));

  ProfileDocument profile(original);
  const std::vector<Setting> before = settingsOf(profile);
  // Lookups on every name the file holds must stay inside it.
  for (const Setting &setting : before)
    profile.keyNames(setting.section);

  if (op == "s") {
    if (!platform::isWritableSectionName(section) || !platform::isWritableKeyName(key) ||
        !platform::isWritableValue(value))
      return 0;
    profile.setValue(section, key, value);
    FUZZ_CHECK(profile.value(section, key) == std::optional(trimmed(value)));
    const auto [removed, added] = difference(original, profile.bytes());
    // In place, only the value's bytes change; otherwise nothing is removed.
    FUZZ_CHECK(!hasLineBreak(removed));
    (void)added;
  } else if (op == "k") {
    profile.removeKey(section, key);
    const auto [removed, added] = difference(original, profile.bytes());
    // One whole line goes, or nothing.
    FUZZ_CHECK(added.empty());
    FUZZ_CHECK(std::count(removed.begin(), removed.end(), '\n') <= 1 &&
               std::count(removed.begin(), removed.end(), '\r') <= 1);
  } else if (op == "x") {
    profile.removeSection(section);
    const auto [removed, added] = difference(original, profile.bytes());
    FUZZ_CHECK(added.empty());
    FUZZ_CHECK(removed.empty() || removed.find('[') != std::string_view::npos);
  } else {
    return 0;
  }

  // Every other setting reads as before.
  const std::string_view wantedSection = trimmed(section);
  const std::string_view wantedKey = trimmed(key);
  for (const Setting &setting : before) {
    if (sameIgnoringAsciiCase(setting.section, wantedSection) &&
        (op == "x" || sameIgnoringAsciiCase(setting.key, wantedKey)))
      continue;
    const auto now = profile.value(setting.section, setting.key);
    FUZZ_CHECK(now.has_value() == setting.value.has_value());
    if (now)
      FUZZ_CHECK(*now == *setting.value);
  }
  return 0;
}
