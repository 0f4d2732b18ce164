// lstrcmpA: a case-sensitive comparison by the collation of the user's
// locale (LC_ALL, LC_COLLATE, LANG), as CompareString does with the user's
// default locale. Falls back to byte order when that locale is unavailable.
#include <windows.h>

#include <clocale>
#include <cstring>
#include <locale.h>

namespace {

locale_t userCollation() {
  static const locale_t collation = [] {
    locale_t user = ::newlocale(LC_COLLATE_MASK, "", static_cast<locale_t>(0));
    if (user == static_cast<locale_t>(0))
      user = ::newlocale(LC_COLLATE_MASK, "C", static_cast<locale_t>(0));
    return user;
  }();
  return collation;
}

int sign(int value) {
  return (value > 0) - (value < 0);
}

} // namespace

int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) {
  // Windows orders a null string before any other.
  if (lpString1 == nullptr || lpString2 == nullptr)
    return (lpString1 != nullptr) - (lpString2 != nullptr);
  const locale_t collation = userCollation();
  const int result = collation != static_cast<locale_t>(0)
                         ? ::strcoll_l(lpString1, lpString2, collation)
                         : std::strcmp(lpString1, lpString2);
  if (result != 0)
    return sign(result);
  // Collation can call distinct strings equal; keep the order total.
  return sign(std::strcmp(lpString1, lpString2));
}
