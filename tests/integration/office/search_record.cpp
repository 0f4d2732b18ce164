// LAN host searches on the office lab, for office_search.sh to compare:
// what each found, one line each in the order found, then "@ MS C \\NAME"
// for each computer, the time it was found, and "T" and the search's time in
// milliseconds. With a COUNT, that many searches one after another in this
// process, each after a line "== K".
//
//   lab/lan-office exec search_record [COUNT]
#include "integration/office/OfficeLab.h"

#include <WSockUtils.h>

#include <cstdio>
#include <cstdlib>
#include <string_view>

int main(int argc, char **argv) {
  // The search broadcasts: only ever inside the lab.
  if (!velnor::officelab::inClientNamespace()) {
    const char *ci = std::getenv("CI");
    std::fprintf(stderr, "search_record: run it through lab/lan-office exec\n");
    return ci != nullptr && std::string_view(ci) == "true" ? 1 : 77;
  }
  const int count = argc > 1 ? std::atoi(argv[1]) : 1;
  WSockUtils::initialize();
  for (int k = 1; k <= count; ++k) {
    velnor::officelab::RecordingSink sink;
    sink.search();
    if (count > 1)
      std::printf("== %d\n", k);
    size_t computer = 0;
    for (const std::string &line : sink.lines) {
      std::printf("%s\n", line.c_str());
      if (line.rfind("C ", 0) == 0 && computer < sink.computersAtMs.size())
        std::printf("@ %.0f %s\n", sink.computersAtMs[computer++], line.c_str());
    }
    std::printf("T %.0f\n", sink.totalMs);
    std::fflush(stdout);
  }
  WSockUtils::finalize();
  return 0;
}
