// lstrcmpA: a case-sensitive comparison by the collation of the user's
// locale (LC_ALL, LC_COLLATE, LANG), as CompareString does with the user's
// default locale. Falls back to byte order when that locale is unavailable,
// or when the call runs out of memory.
#include "common/ProcessLocal.h"
#include "net/LibraryGate.h"

#include <shared/CBoundary.h>

#include <windows.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <mutex>
#include <string>

namespace {

std::string environmentValue(const char *name) {
  const char *value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The user's collation, loaded again only when the environment that names it
// changes.
class UserCollation {
public:
  int compare(const char *a, const char *b) {
    // newlocale and freelocale take glibc's locale lock.
    const platform::LibraryCall gate;
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string key = environmentValue("LC_ALL") + '\n' + environmentValue("LC_COLLATE") +
                            '\n' + environmentValue("LANG") + '\n' + environmentValue("LOCPATH");
    if (!loaded_ || key != key_) {
      release();
      locale_ = ::newlocale(LC_COLLATE_MASK, "", static_cast<locale_t>(0));
      key_ = key;
      loaded_ = true;
    }
    return locale_ != static_cast<locale_t>(0) ? ::strcoll_l(a, b, locale_) : std::strcmp(a, b);
  }

private:
  void release() {
    if (locale_ != static_cast<locale_t>(0))
      ::freelocale(locale_);
    locale_ = static_cast<locale_t>(0);
  }

  std::mutex mutex_;
  std::string key_;
  bool loaded_ = false;
  locale_t locale_ = static_cast<locale_t>(0);
};

// Never destroyed: a platform thread may compare while the process exits.
// A forked child loads its own: a parent's thread may hold the lock.
platform::ProcessLocal<UserCollation> processCollation([] { return new UserCollation; });

int sign(int value) {
  return (value > 0) - (value < 0);
}

int byteOrder(LPCSTR a, LPCSTR b) {
  return sign(std::strcmp(a, b));
}

} // namespace

int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) {
  return cboundary::guarded([&] { return byteOrder(lpString1, lpString2); },
                            [&]() -> int {
                              // Windows orders a null string before any other.
                              if (lpString1 == nullptr || lpString2 == nullptr)
                                return (lpString1 != nullptr) - (lpString2 != nullptr);
                              const int result =
                                  processCollation.get().compare(lpString1, lpString2);
                              if (result != 0)
                                return sign(result);
                              // Collation can call distinct strings equal; keep the order total.
                              return byteOrder(lpString1, lpString2);
                            });
}
