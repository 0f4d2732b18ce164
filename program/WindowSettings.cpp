#include "WindowSettings.h"

#include <shared/ProfileInteger.h>
#include <windows.h>

#include <cstdint>
#include <vector>

namespace {

constexpr const char *kSection = "Window";

// Linux paths may be longer than MAX_PATH; beyond this the file is not used.
constexpr DWORD kLongestPath = 32768;

// Settings values are short; a longer one is no integer of ours.
constexpr DWORD kValueBufferSize = 256;

} // namespace

std::string settingsPathFor(std::string_view executablePath) {
  const size_t slash = executablePath.rfind('/');
  const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  const size_t dot = executablePath.rfind('.');
  std::string path(executablePath);
  // A leading dot marks a hidden file on Linux, not an extension.
  if (dot != std::string_view::npos && dot > nameStart)
    path.erase(dot);
  return path + ".ini";
}

std::string defaultWindowSettingsPath() {
  std::vector<char> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0)
      return {};
    if (length < buffer.size())
      return settingsPathFor(std::string_view(buffer.data(), length));
    if (buffer.size() >= kLongestPath)
      return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::optional<int> parseProfileInteger(std::string_view text) {
  const std::optional<uint32_t> bits = readProfileInteger(text, ProfileIntegerRule::Whole);
  if (!bits)
    return std::nullopt;
  return static_cast<int32_t>(*bits);
}

std::optional<int> WindowSettings::readInteger(const char *key) const {
  if (path_.empty())
    return std::nullopt;
  char value[kValueBufferSize] = {};
  const DWORD length =
      GetPrivateProfileStringA(kSection, key, "", value, kValueBufferSize, path_.c_str());
  if (length >= kValueBufferSize - 1)
    return std::nullopt;
  return parseProfileInteger(std::string_view(value, length));
}

bool WindowSettings::readBoolean(const char *key, bool defaultValue) const {
  const std::optional<int> value = readInteger(key);
  return value ? *value != 0 : defaultValue;
}

void WindowSettings::writeInteger(const char *key, int value) const {
  if (path_.empty())
    return;
  WritePrivateProfileStringA(kSection, key, std::to_string(value).c_str(), path_.c_str());
}

void WindowSettings::writeBoolean(const char *key, bool value) const {
  writeInteger(key, value ? 1 : 0);
}
