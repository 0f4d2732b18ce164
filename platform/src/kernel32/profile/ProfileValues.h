// What the profile readers hand out: the default, a value without its
// quotes, text and name lists in the caller's buffer, and integers, each as
// GetPrivateProfileStringA and GetPrivateProfileIntA give them on Windows.
#pragma once

#include <windows.h>

#include <string_view>
#include <vector>

namespace platform {

// Windows cuts trailing blanks off the default.
std::string_view defaultText(LPCSTR lpDefault);

// A value in matching single or double quotes is returned without them.
std::string_view withoutQuotes(std::string_view value);

// At most size - 1 chars and the NUL; returns the chars copied. size > 0.
DWORD copyText(std::string_view text, LPSTR buffer, DWORD size);

// Each name ends in a NUL and the list in one more. When the list does not
// fit with a byte to spare, Windows cuts the name that does not fit, still
// ends it and the list with NULs, and returns size - 2. size > 0.
DWORD copyList(const std::vector<std::string_view> &names, LPSTR buffer, DWORD size);

// An optional sign, then decimal digits, or "0x" and hex digits, up to the
// first other character. Arithmetic wraps at 32 bits as on Windows, so "-8"
// comes back as 0xFFFFFFF8, which callers cast to int.
UINT profileInteger(std::string_view text);

} // namespace platform
