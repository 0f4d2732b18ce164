// A shell command run to its end and timed from start to exit, with what it
// printed; the benchmarks set our own code beside Samba's tools with it.
#pragma once

#include <unistd.h>

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

// TEXT as one word of a shell command line.
inline std::string shellQuoted(const std::string &text) {
  std::string out = "'";
  for (char c : text)
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// This program's path as a word of a shell command line (it runs itself as
// a child), or empty when it cannot be read.
inline std::string selfCommand() {
  char self[4096];
  const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  return length > 0 ? shellQuoted(std::string(self, static_cast<size_t>(length))) : std::string();
}

} // namespace bench
