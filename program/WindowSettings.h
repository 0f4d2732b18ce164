// The window-settings file: an INI file beside the executable with the
// window's outer bounds and whether it was maximized, in section "Window".
// Read and written through the platform's private-profile functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>

// The executable's full path with its extension replaced by ".ini", or with
// ".ini" appended when the file name has none. Empty when the path of the
// executable cannot be found; an empty settings path turns the file off.
std::string defaultWindowSettingsPath();

// The settings path for one executable path; only the last path element can
// carry an extension.
std::string settingsPathFor(std::string_view executablePath);

// A profile integer: decimal, or hexadecimal after "$", "0x" or "0X", with an
// optional sign. Anything else, including values out of range, is no integer.
std::optional<int> parseProfileInteger(std::string_view text);

class WindowSettings {
public:
  explicit WindowSettings(std::string path) : path_(std::move(path)) {}

  // std::nullopt for a missing file, section or key and for a value that is
  // not an integer: the caller keeps its own value then.
  std::optional<int> readInteger(const char *key) const;
  // True for any non-zero integer.
  bool readBoolean(const char *key, bool defaultValue) const;

  // A settings file that cannot be written costs the next run its bounds and
  // nothing else, so write failures are ignored.
  void writeInteger(const char *key, int value) const;
  void writeBoolean(const char *key, bool value) const;

private:
  std::string path_;
};
