// The record a WNet caller fills to name a browse container, with the
// provider a test may change to check that others are refused.
#pragma once

#include <shared/NetResourceRecord.h>

namespace testsupport {

inline constexpr auto &kProvider = kBrowseProviderName;

inline NETRESOURCEA containerRecord(const char *remoteName, const char *providerName = kProvider) {
  NETRESOURCEA record = browseContainerRecord(remoteName);
  record.lpProvider = const_cast<LPSTR>(providerName);
  return record;
}

} // namespace testsupport
