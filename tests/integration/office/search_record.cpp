// One LAN host search on the office lab, for office_search.sh to compare:
// what it found, one line each in the order found, then "T" and its time in
// milliseconds.
//
//   lab/lan-office exec search_record
#include "integration/office/OfficeLab.h"

#include <WSockUtils.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

int main() {
  // The search broadcasts: only ever inside the lab.
  if (!velnor::officelab::inClientNamespace()) {
    const char *ci = std::getenv("CI");
    std::fprintf(stderr, "search_record: run it through lab/lan-office exec\n");
    return ci != nullptr && std::string_view(ci) == "true" ? 1 : 77;
  }
  WSockUtils::Initialize();
  velnor::officelab::RecordingSink sink;
  sink.search();
  WSockUtils::Finalize();
  for (const std::string &line : sink.lines)
    std::printf("%s\n", line.c_str());
  std::printf("T %.0f\n", sink.totalMs);
  return 0;
}
