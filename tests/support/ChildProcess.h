// Runs part of a test in a forked child, for what must not touch the test
// process itself: dropping privileges, private mount or UTS namespaces.
#pragma once

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace testsupport {

// The child's exit code (the body's return value; 1 when it threw), or 128
// plus the signal that ended it, or -1 when no child could be started. The
// child reports its failures on stderr itself.
template <class Body> int runInChild(Body body) {
  const pid_t pid = ::fork();
  if (pid < 0)
    return -1;
  if (pid == 0) {
    int code = 1;
    try {
      code = body();
    } catch (...) {
    }
    ::_exit(code);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR)
      return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// CI runs the tests as root and wants every test that needs root to run.
inline bool underCi() {
  const char *ci = std::getenv("CI");
  return ci != nullptr && std::string_view(ci) == "true";
}

} // namespace testsupport
