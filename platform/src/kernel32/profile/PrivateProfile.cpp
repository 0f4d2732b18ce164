// The private-profile (INI file) calls. Reads take the file as it is on disk;
// writes read it, change the lines concerned and replace the whole file
// atomically. Relative file names are taken relative to the working folder
// (there is no Windows folder to search), and a null file name (win.ini on
// Windows) reads as a missing file.
#include "kernel32/profile/AtomicFile.h"
#include "common/EntryGuard.h"
#include "kernel32/profile/PrivateProfileFile.h"

#include <ProfileInteger.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Codes Windows gives for these conditions that windows.h here does not name.
constexpr DWORD errorPathNotFound = 3;         // ERROR_PATH_NOT_FOUND
constexpr DWORD errorDiskFull = 112;           // ERROR_DISK_FULL
constexpr DWORD errorFileNameTooLong = 206;    // ERROR_FILENAME_EXCED_RANGE
constexpr DWORD errorCannotResolveName = 1921; // ERROR_CANT_RESOLVE_FILENAME

DWORD win32ErrorFor(int error) {
  switch (error) {
  case ENOENT:
  case ENOTDIR:
    return errorPathNotFound;
  case EACCES:
  case EPERM:
  case EROFS:
  case EISDIR:
  case EINVAL:
  case ETXTBSY:
    return ERROR_ACCESS_DENIED;
  case ENOSPC:
  case EDQUOT:
  case EFBIG:
    return errorDiskFull;
  case ENOMEM:
    return ERROR_NOT_ENOUGH_MEMORY;
  case ENAMETOOLONG:
    return errorFileNameTooLong;
  case ELOOP:
    return errorCannotResolveName;
  default:
    return ERROR_GEN_FAILURE;
  }
}

// Two threads changing one file would each write back their own edit and
// lose the other's.
std::mutex &profileWrites() {
  static std::mutex writes;
  return writes;
}

// Windows cuts trailing blanks off the default.
std::string_view defaultText(LPCSTR lpDefault) {
  std::string_view text = lpDefault != nullptr ? lpDefault : "";
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
    text.remove_suffix(1);
  return text;
}

// A value in matching single or double quotes is returned without them.
std::string_view withoutQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// At most size - 1 chars and the NUL; returns the chars copied.
DWORD copyText(std::string_view text, LPSTR buffer, DWORD size) {
  const size_t copied = std::min<size_t>(text.size(), size - 1);
  if (copied > 0)
    std::memmove(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return static_cast<DWORD>(copied);
}

// Each name ends in a NUL and the list in one more. When the list does not
// fit with a byte to spare, Windows cuts the name that does not fit, still
// ends it and the list with NULs, and returns size - 2.
DWORD copyList(const std::vector<std::string_view> &names, LPSTR buffer, DWORD size) {
  if (size == 1) {
    buffer[0] = '\0';
    return 0;
  }
  const size_t room = size - 1; // the last byte is kept for the list's NUL
  size_t used = 0;
  for (const std::string_view name : names) {
    const size_t left = room - used;
    if (name.size() + 1 >= left) {
      std::memcpy(buffer + used, name.data(), left - 1);
      buffer[size - 2] = '\0';
      buffer[size - 1] = '\0';
      return size - 2;
    }
    std::memcpy(buffer + used, name.data(), name.size());
    used += name.size();
    buffer[used++] = '\0';
  }
  buffer[used] = '\0';
  if (used == 0)
    buffer[1] = '\0';
  return static_cast<DWORD>(used);
}

int readProfile(LPCSTR lpFileName, std::string &bytes) {
  if (lpFileName == nullptr || *lpFileName == '\0')
    return ENOENT;
  return platform::readRegularFile(lpFileName, bytes);
}

BOOL failWrite(int error) {
  SetLastError(win32ErrorFor(error));
  return FALSE;
}

} // namespace

DWORD WINAPI GetPrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpDefault,
                                      LPSTR lpReturnedString, DWORD nSize, LPCSTR lpFileName) {
  if (lpReturnedString == nullptr || nSize == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string_view fallback = defaultText(lpDefault);
  const auto copyDefault = [&] { return copyText(fallback, lpReturnedString, nSize); };
  return platform::guarded(
      [&]() -> DWORD {
        std::string bytes;
        if (readProfile(lpFileName, bytes) != 0) {
          SetLastError(ERROR_FILE_NOT_FOUND);
          return copyDefault();
        }
        const platform::ProfileDocument profile(std::move(bytes));
        if (lpAppName == nullptr) {
          SetLastError(ERROR_SUCCESS);
          return copyList(profile.sectionNames(), lpReturnedString, nSize);
        }
        if (lpKeyName == nullptr) {
          const auto keys = profile.keyNames(lpAppName);
          if (keys && !keys->empty()) {
            SetLastError(ERROR_SUCCESS);
            return copyList(*keys, lpReturnedString, nSize);
          }
        } else if (const auto value = profile.value(lpAppName, lpKeyName)) {
          SetLastError(ERROR_SUCCESS);
          return copyText(withoutQuotes(*value), lpReturnedString, nSize);
        }
        SetLastError(ERROR_FILE_NOT_FOUND);
        return copyDefault();
      },
      copyDefault);
}

UINT WINAPI GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault,
                                  LPCSTR lpFileName) {
  const UINT fallback = static_cast<UINT>(nDefault);
  if (lpAppName == nullptr || lpKeyName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return fallback;
  }
  return platform::guarded(
      [&]() -> UINT {
        std::string bytes;
        if (readProfile(lpFileName, bytes) != 0) {
          SetLastError(ERROR_FILE_NOT_FOUND);
          return fallback;
        }
        const platform::ProfileDocument profile(std::move(bytes));
        const auto value = profile.value(lpAppName, lpKeyName);
        // An empty value counts as missing, as on Windows.
        if (!value || withoutQuotes(*value).empty()) {
          SetLastError(ERROR_FILE_NOT_FOUND);
          return fallback;
        }
        SetLastError(ERROR_SUCCESS);
        return *ReadProfileInteger(withoutQuotes(*value), ProfileIntegerRule::Leading);
      },
      [&] { return fallback; });
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR lpAppName, LPCSTR lpKeyName, LPCSTR lpString,
                                       LPCSTR lpFileName) {
  if (lpFileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Windows cannot open a file without a name for writing.
  if (*lpFileName == '\0') {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  // What Windows answers, leaving the file alone.
  if (lpAppName == nullptr) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  // Line breaks (and a key name that would read back as something else)
  // would change the file's structure instead of one value.
  if (!platform::isWritableSectionName(lpAppName) ||
      (lpKeyName != nullptr && !platform::isWritableKeyName(lpKeyName)) ||
      (lpKeyName != nullptr && lpString != nullptr && !platform::isWritableValue(lpString))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return platform::guarded(
      [&]() -> BOOL {
        const std::lock_guard<std::mutex> hold(profileWrites());
        std::string target;
        if (const int error = platform::resolveSymlinks(lpFileName, target))
          return failWrite(error);
        std::string original;
        const int readError = platform::readRegularFile(target, original);
        if (readError != 0 && readError != ENOENT)
          return failWrite(readError);
        // Windows opens the file for writing first, so a file this process
        // may not write is refused even when the value is already there.
        const bool existed = readError == 0;
        if (existed)
          if (const int error = platform::writeAccess(target))
            return failWrite(error);

        platform::ProfileDocument profile(original);
        if (lpKeyName == nullptr)
          profile.removeSection(lpAppName);
        else if (lpString == nullptr)
          profile.removeKey(lpAppName, lpKeyName);
        else
          profile.setValue(lpAppName, lpKeyName, lpString);

        // A missing file is created even when nothing is written to it, as
        // Windows does; an unchanged one is left as it is.
        if (!existed || profile.bytes() != original)
          if (const int error = platform::replaceFileAtomically(target, profile.bytes()))
            return failWrite(error);
        SetLastError(ERROR_SUCCESS);
        return TRUE;
      },
      [] { return BOOL{FALSE}; });
}
