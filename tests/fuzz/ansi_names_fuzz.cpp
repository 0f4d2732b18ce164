// Network names on their way to an ANSI caller, under character sets where
// the second byte of a character may be 0x5C (Shift_JIS, Big5), under
// EUC-JP and under the C locale, which passes text through as UTF-8 does.
// Names come from the network as UTF-8, malformed or not; they are
// converted, checked and joined into the WNet name forms, and each name
// handed out must parse back as what it is, split where it was joined and
// nowhere else. Conversions must give valid UTF-8 back, whatever the ANSI
// bytes.
//
// Input: the first byte picks the locale; then, one item a line, the
// container name (ANSI bytes), then one browse entry a line: a kind digit
// (its value modulo 6, as in wnet_listing_fuzz), the name, a tab and the
// comment; at most eight entries, as each conversion loads the locale.
#include "FuzzCheck.h"
#include "FuzzInput.h"

#include "kernel32/AnsiCharacters.h"
#include "kernel32/AnsiCodePage.h"
#include "mpr/BrowseListing.h"
#include "mpr/NetContainer.h"

#include <iconv.h>
#include <locale.h>
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

using platform::BrowseEntry;
using platform::NetContainer;

namespace {

std::string localeFolder;
std::vector<std::string> locales{"C"};
std::vector<locale_t> heldLocales;

void removeLocales() {
  for (const locale_t held : heldLocales)
    freelocale(held);
  std::error_code ignored;
  std::filesystem::remove_all(localeFolder, ignored);
}

// Builds the locales with localedef, as the locale tests do; a character
// set this machine cannot build is left out.
void buildLocales() {
  char pattern[] = "/tmp/velnor-fuzz-locales-XXXXXX";
  if (::mkdtemp(pattern) == nullptr)
    return;
  localeFolder = pattern;
  std::atexit(removeLocales);
  const struct {
    const char *source, *charmap, *name;
  } wanted[] = {{"ja_JP", "SHIFT_JIS", "ja_JP.SJIS"},
                {"zh_TW", "BIG5", "zh_TW.BIG5"},
                {"ja_JP", "EUC-JP", "ja_JP.eucJP"}};
  for (const auto &locale : wanted) {
    const std::string command = std::string("localedef -i ") + locale.source + " -f " +
                                locale.charmap + " " + localeFolder + "/" + locale.name +
                                " >/dev/null 2>&1";
    // localedef exits 1 for warnings while still writing the locale.
    std::system(command.c_str());
    if (std::filesystem::exists(localeFolder + "/" + locale.name + "/LC_CTYPE"))
      locales.emplace_back(locale.name);
  }
  ::setenv("LOCPATH", localeFolder.c_str(), 1);
  // glibc maps a locale's files for each newlocale and unmaps them at the
  // last freelocale; one reference kept for the whole run spares the
  // conversions that mapping, which would be most of their time.
  for (const std::string &name : locales) {
    ::setenv("LC_ALL", name.c_str(), 1);
    heldLocales.push_back(newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr)));
  }
}

bool isValidUtf8(const std::string &text) {
  iconv_t check = iconv_open("UTF-16LE", "UTF-8");
  FUZZ_CHECK(check != reinterpret_cast<iconv_t>(-1));
  std::string out(text.size() * 4 + 4, '\0');
  char *in = const_cast<char *>(text.data());
  char *next = out.data();
  size_t inLeft = text.size(), room = out.size();
  const bool valid = iconv(check, &in, &inLeft, &next, &room) != static_cast<size_t>(-1);
  iconv_close(check);
  return valid && inLeft == 0;
}

DWORD parse(const std::string &name, NetContainer &container) {
  return platform::parseNetContainer(name.c_str(), container);
}

// A name handed out below `container` parses back as the next level down.
void checkParsesBack(const NetContainer &container, const std::string &remoteName) {
  NetContainer back;
  const DWORD status = parse(remoteName, back);
  switch (container.level) {
  case NetContainer::Level::Provider:
    FUZZ_CHECK(status == ERROR_BAD_NETPATH ||
               (status == NO_ERROR && back.level != NetContainer::Level::Computer));
    break;
  case NetContainer::Level::Workgroup:
    FUZZ_CHECK(status == ERROR_BAD_NETPATH ||
               (status == NO_ERROR && back.level == NetContainer::Level::Computer &&
                back.name == remoteName));
    break;
  case NetContainer::Level::Computer: {
    FUZZ_CHECK(status == ERROR_NOT_CONTAINER || status == ERROR_BAD_NETPATH);
    const size_t separator = platform::findAnsiCharacter(remoteName, "\\", 2);
    FUZZ_CHECK(separator != std::string::npos && separator + 1 < remoteName.size());
    FUZZ_CHECK(platform::findAnsiCharacter(remoteName, "\\/", separator + 1) == std::string::npos);
    FUZZ_CHECK(parse(remoteName.substr(0, separator), back) == NO_ERROR &&
               back.level == NetContainer::Level::Computer);
    break;
  }
  }
}

} // namespace

// glibc keeps the LOCPATH search list it builds when it loads a locale, as
// tests/sanitizer/lsan.supp says for the other tests.
extern "C" const char *__lsan_default_suppressions() {
  return "leak:argz_add_sep\n";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  buildLocales();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0)
    return 0;
  ::setenv("LC_ALL", locales[data[0] % locales.size()].c_str(), 1);
  const bool converting = platform::ansiCharset().has_value();
  std::string_view input(reinterpret_cast<const char *>(data) + 1, size - 1);
  std::string containerName(fuzzinput::nextLine(input));
  containerName = containerName.substr(0, containerName.find('\0'));

  const std::vector<BrowseEntry> entries = fuzzinput::browseEntries(input, 8);
  for (const BrowseEntry &entry : entries) {
    // Both ways, on bytes that may be neither valid UTF-8 nor valid ANSI.
    // Under UTF-8 and the C locale text passes through as it is.
    const std::string ansi = platform::ansiFromUtf8(entry.name);
    FUZZ_CHECK(ansi.size() <= 2 * entry.name.size());
    if (converting) {
      FUZZ_CHECK(isValidUtf8(platform::utf8FromAnsi(ansi)));
      FUZZ_CHECK(isValidUtf8(platform::utf8FromAnsi(entry.name)));
    }
  }

  NetContainer container;
  if (parse(containerName, container) != NO_ERROR)
    return 0;
  const std::string network = platform::networkName(container);
  FUZZ_CHECK(!converting || isValidUtf8(network));
  if (container.level == NetContainer::Level::Computer)
    FUZZ_CHECK(network.starts_with("\\\\"));
  for (const platform::ResourceEntry &entry :
       platform::listBelow(container, entries, platform::ResourceFilter{})) {
    FUZZ_CHECK(!entry.remoteName.empty());
    checkParsesBack(container, entry.remoteName);
  }
  return 0;
}
