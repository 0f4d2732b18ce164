// The private-profile (INI file) calls. Reads take the file as it is on disk;
// writes read it, change the lines concerned and replace the whole file
// atomically. A file in a folder the user may not write is read and written
// through its per-user copy (VirtualStore.h). Relative file names are taken relative to the working
// folder (there is no Windows folder to search), and a null file name (win.ini on Windows) reads as
// a missing file.
#include "common/ProcessLocal.h"
#include "kernel32/profile/AtomicFile.h"
#include "kernel32/profile/ProfileDocument.h"
#include "kernel32/profile/ProfileValues.h"
#include "kernel32/profile/VirtualStore.h"

#include <shared/CBoundary.h>
#include <shared/ProfileInteger.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace {

using platform::copyList;
using platform::copyText;
using platform::defaultText;
using platform::profileInteger;
using platform::withoutQuotes;

DWORD win32ErrorFor(int error) {
  switch (error) {
  case ENOENT:
  case ENOTDIR:
    return ERROR_PATH_NOT_FOUND;
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
    return ERROR_DISK_FULL;
  case ENOMEM:
    return ERROR_NOT_ENOUGH_MEMORY;
  case ENAMETOOLONG:
    return ERROR_FILENAME_EXCED_RANGE;
  case ELOOP:
    return ERROR_CANT_RESOLVE_FILENAME;
  default:
    return ERROR_GEN_FAILURE;
  }
}

// Two threads changing one file would each write back their own edit and
// lose the other's. A forked child has a lock of its own: a parent's thread
// may hold this one at the fork.
platform::ProcessLocal<std::mutex> processWrites([] { return new std::mutex; });

std::mutex &profileWrites() {
  return processWrites.get();
}

int readProfile(LPCSTR lpFileName, std::string &bytes) {
  if (lpFileName == nullptr || *lpFileName == '\0')
    return ENOENT;
  // Where this user's writes went, once there were any; the file itself
  // until then.
  std::string target;
  if (platform::resolveSymlinks(lpFileName, target) == 0) {
    if (const std::string copy = platform::perUserCopyOf(target); !copy.empty())
      if (const int error = platform::readRegularFile(copy, bytes); error != ENOENT)
        return error;
  }
  return platform::readRegularFile(lpFileName, bytes);
}

// The file a write replaces, and what it holds now (`bytes`): `lpFileName`
// after symbolic links, or its per-user copy when this user may not write
// its folder. A copy's first write starts from the file's own content.
int readForWrite(LPCSTR lpFileName, std::string &target, std::string &bytes) {
  if (const int error = platform::resolveSymlinks(lpFileName, target))
    return error;
  const std::string copy = platform::perUserCopyOf(target);
  if (copy.empty())
    return platform::readRegularFile(target, bytes);
  const std::string file = target;
  if (const int error = platform::createPerUserFolders(copy))
    return error;
  if (const int error = platform::resolveSymlinks(copy, target))
    return error;
  const int error = platform::readRegularFile(target, bytes);
  if (error == ENOENT && platform::readRegularFile(file, bytes) != 0)
    bytes.clear();
  return error;
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
  return cboundary::guarded(copyDefault, [&]() -> DWORD {
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
  });
}

UINT WINAPI GetPrivateProfileIntA(LPCSTR lpAppName, LPCSTR lpKeyName, INT nDefault,
                                  LPCSTR lpFileName) {
  const UINT fallback = static_cast<UINT>(nDefault);
  if (lpAppName == nullptr || lpKeyName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return fallback;
  }
  return cboundary::guarded([&] { return fallback; },
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
                              return profileInteger(withoutQuotes(*value));
                            });
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
  return cboundary::guarded(BOOL{FALSE}, [&]() -> BOOL {
    const std::lock_guard<std::mutex> hold(profileWrites());
    std::string target;
    std::string original;
    const int readError = readForWrite(lpFileName, target, original);
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
  });
}
