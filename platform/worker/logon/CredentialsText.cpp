#include "worker/logon/CredentialsFile.h"

#include "worker/logon/ServerNameMatch.h"

namespace {

std::string_view trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos)
    return {};
  const auto last = text.find_last_not_of(" \t\r");
  return text.substr(first, last - first + 1);
}

} // namespace

std::optional<platform::logon::SavedLogon>
platform::logon::logonInCredentials(std::string_view text, const std::string &computer) {
  std::optional<SavedLogon> entry; // of the section being read, if it is the computer's
  while (!text.empty()) {
    const auto end = text.find('\n');
    const std::string_view line = trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty() || line.front() == '#' || line.front() == ';')
      continue;
    if (line.front() == '[') {
      if (entry && !entry->user.empty())
        return entry;
      entry.reset();
      if (line.back() == ']' &&
          savedForServer(std::string(trimmed(line.substr(1, line.size() - 2))), computer))
        entry.emplace();
      continue;
    }
    const auto equals = line.find('=');
    if (!entry || equals == std::string_view::npos)
      continue;
    const std::string_view key = trimmed(line.substr(0, equals));
    SecretText value{std::string(trimmed(line.substr(equals + 1)))};
    if (key == "domain")
      entry->domain = value.text();
    else if (key == "user")
      entry->user = value.text();
    else if (key == "password")
      entry->password = std::move(value);
  }
  if (entry && !entry->user.empty())
    return entry;
  return std::nullopt;
}
