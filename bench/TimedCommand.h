// A shell command run to its end and timed from start to exit, with what it
// printed; the benchmarks set our own code beside Samba's tools with it.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace bench {

struct CommandRun {
  double ms = 0;
  std::string output;
  bool ok = false; // exit status 0
};

inline CommandRun runTimed(const std::string &command) {
  CommandRun run;
  const auto start = std::chrono::steady_clock::now();
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr)
    return run;
  char chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0)
    run.output.append(chunk, got);
  run.ok = pclose(pipe) == 0;
  run.ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return run;
}

} // namespace bench
