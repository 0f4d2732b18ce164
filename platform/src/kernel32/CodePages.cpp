// MultiByteToWideChar and WideCharToMultiByte for CP_ACP and CP_UTF8.
#include "kernel32/AnsiCodePage.h"

#include <shared/CBoundary.h>
#include <windows.h>

#include <cstring>
#include <string>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes UTF-8; a malformed sequence gives one U+FFFD, as Windows does.
std::u16string utf16FromUtf8(const std::string &text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    char32_t c = length == 1   ? lead
                 : length == 2 ? lead & 0x1F
                 : length == 3 ? lead & 0x0F
                               : lead & 0x07;
    bool ok = length != 0 && lead <= 0xF4 && i + length <= text.size();
    for (size_t k = 1; ok && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      ok = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!ok || c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      out.push_back(static_cast<char16_t>(kReplacement));
      ++i;
      while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
        ++i;
      continue;
    }
    if (c >= 0x10000) {
      out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
    i += length;
  }
  return out;
}

// Encodes UTF-16; a lone surrogate gives U+FFFD.
std::string utf8FromUtf16(const std::u16string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

bool knownCodePage(UINT codePage) {
  return codePage == CP_ACP || codePage == CP_UTF8;
}

// Copies a result out as the Win32 calls do: size 0 asks for the length.
template <class Unit> int handOut(const std::basic_string<Unit> &result, Unit *out, int size) {
  const auto length = static_cast<int>(result.size());
  if (size == 0)
    return length;
  if (length > size) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(out, result.data(), result.size() * sizeof(Unit));
  return length;
}

} // namespace

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
  return cboundary::guarded(0, [&] {
    if (!knownCodePage(CodePage) || dwFlags != 0 || lpMultiByteStr == nullptr || cbMultiByte == 0 ||
        cbMultiByte < -1 || cchWideChar < 0 || (cchWideChar > 0 && lpWideCharStr == nullptr)) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    // -1: up to and with the terminating NUL.
    const size_t length =
        cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    const std::string bytes(lpMultiByteStr, length);
    const std::string utf8 = CodePage == CP_UTF8 ? bytes : platform::utf8FromAnsi(bytes);
    return handOut(utf16FromUtf8(utf8), lpWideCharStr, cchWideChar);
  });
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                               BOOL *lpUsedDefaultChar) {
  return cboundary::guarded(0, [&] {
    if (!knownCodePage(CodePage) || dwFlags != 0 || lpWideCharStr == nullptr || cchWideChar == 0 ||
        cchWideChar < -1 || cbMultiByte < 0 || (cbMultiByte > 0 && lpMultiByteStr == nullptr) ||
        lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    size_t length = static_cast<size_t>(cchWideChar);
    if (cchWideChar == -1)
      length = std::char_traits<char16_t>::length(lpWideCharStr) + 1;
    const std::string utf8 = utf8FromUtf16(std::u16string(lpWideCharStr, length));
    return handOut(CodePage == CP_UTF8 ? utf8 : platform::ansiFromUtf8(utf8), lpMultiByteStr,
                   cbMultiByte);
  });
}
