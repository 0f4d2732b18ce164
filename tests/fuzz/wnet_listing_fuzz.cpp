// Hostile browse entries on their way to a WNetEnumResourceA buffer: the
// container name check, the listing that drops what Windows would not show,
// and the packing into the caller's buffer, which must never write outside
// it and whose records must point at their own strings inside it.
//
// Input, one item a line: the container name; then "<type> <usage>
// <buffer size> <max count>" in decimal; then one browse entry a line, a
// kind digit (its value modulo 6: 0 workgroup, 1 server, 2 file share, 3 printer, 4 IPC, 5
// other), its name, a tab and its comment.
#include "FuzzCheck.h"
#include "FuzzInput.h"

#include "mpr/BrowseListing.h"
#include "mpr/NetContainer.h"
#include "mpr/ResourcePacking.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

using fuzzinput::nextLine;
using platform::BrowseEntry;

namespace {

unsigned long number(const char *&text) {
  char *end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  text = end;
  return value;
}

// The string a record points at, which must lie with its NUL inside the
// buffer.
std::string_view pointedString(const unsigned char *buffer, size_t size, const char *text) {
  const auto *at = reinterpret_cast<const unsigned char *>(text);
  FUZZ_CHECK(at >= buffer && at < buffer + size);
  const void *nul = std::memchr(at, '\0', static_cast<size_t>(buffer + size - at));
  FUZZ_CHECK(nul != nullptr);
  return std::string_view(text, static_cast<size_t>(static_cast<const unsigned char *>(nul) - at));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string_view input(reinterpret_cast<const char *>(data), size);
  const std::string containerName(nextLine(input));
  const std::string numbers(nextLine(input));
  const char *cursor = numbers.c_str();
  platform::ResourceFilter filter;
  filter.type = static_cast<DWORD>(number(cursor));
  filter.usage = static_cast<DWORD>(number(cursor));
  const DWORD bufferSize = static_cast<DWORD>(number(cursor) % 65536);
  DWORD maxCount = static_cast<DWORD>(number(cursor));
  if (maxCount == 0)
    maxCount = 0xFFFFFFFF;

  const std::vector<BrowseEntry> entries = fuzzinput::browseEntries(input, 256);

  // The name as a caller passes it: a C string, over-long ones included.
  platform::NetContainer container;
  const std::string remoteName = containerName.substr(0, containerName.find('\0'));
  const DWORD parsed = platform::parseNetContainer(remoteName.c_str(), container);
  if (parsed == NO_ERROR) {
    // A NetBIOS workgroup has at most 15 characters, a domain's DNS name 255.
    if (container.level == platform::NetContainer::Level::Workgroup)
      FUZZ_CHECK(container.name.size() <=
                     (container.name.find('.') == std::string::npos ? 15 : 255) &&
                 container.name.find_first_of("\\/") == std::string::npos);
    if (container.level == platform::NetContainer::Level::Computer)
      FUZZ_CHECK(container.name.starts_with("\\\\") &&
                 container.name.find('\\', 2) == std::string::npos);
  } else {
    FUZZ_CHECK(parsed == ERROR_BAD_NETPATH || parsed == ERROR_NOT_CONTAINER);
    // Still list below some container, so that the entries are exercised.
    container.level = static_cast<platform::NetContainer::Level>(remoteName.size() % 3);
    container.name = container.level == platform::NetContainer::Level::Computer ? "\\\\SRV" : "WG";
  }

  const std::vector<platform::ResourceEntry> listed =
      platform::listBelow(container, entries, filter);
  for (const platform::ResourceEntry &entry : listed) {
    FUZZ_CHECK(!entry.remoteName.empty());
    for (const char c : entry.remoteName)
      FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
  }
  if (listed.empty())
    return 0;

  // Exactly the caller's size, so that ASan sees a write past it.
  const std::unique_ptr<unsigned char[]> buffer(new unsigned char[bufferSize + 1]);
  unsigned char *base = buffer.get() + 1; // not aligned for the records
  const platform::PackResult packed = platform::packResources(listed, maxCount, base, bufferSize);
  FUZZ_CHECK(packed.count <= listed.size() && packed.count <= maxCount);
  if (packed.count == 0) {
    FUZZ_CHECK(packed.status == ERROR_MORE_DATA && packed.neededSize > bufferSize);
    return 0;
  }
  FUZZ_CHECK(packed.status == NO_ERROR);
  for (DWORD i = 0; i < packed.count; ++i) {
    NETRESOURCEA record;
    std::memcpy(&record, base + i * sizeof record, sizeof record);
    const platform::ResourceEntry &entry = listed[i];
    FUZZ_CHECK(record.dwType == entry.type && record.dwUsage == entry.usage);
    FUZZ_CHECK(record.lpLocalName == nullptr);
    FUZZ_CHECK(pointedString(base, bufferSize, record.lpRemoteName) == entry.remoteName);
    FUZZ_CHECK(pointedString(base, bufferSize, record.lpProvider) == kBrowseProviderName);
    if (entry.comment.empty())
      FUZZ_CHECK(record.lpComment == nullptr);
    else
      FUZZ_CHECK(pointedString(base, bufferSize, record.lpComment) ==
                 std::string_view(entry.comment.c_str()));
    // Strings lie above every record.
    FUZZ_CHECK(reinterpret_cast<unsigned char *>(record.lpRemoteName) >=
               base + packed.count * sizeof record);
  }
  return 0;
}
