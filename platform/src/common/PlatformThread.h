// The one way the platform starts a thread of its own.
//
// A platform thread works for whoever called the platform, inside that
// caller's process: it must never end the process, nor take a signal the
// caller meant for its own threads. So it starts with every asynchronous
// signal blocked (a thread inherits the mask of the thread that creates it,
// and a library caller's thread may not block SIGPIPE), and whatever its
// work throws is caught here; the work reports failures through its own
// results before that. It works with the switches of the call that started
// it (common/Switches.h).
#pragma once

#include "common/Switches.h"

#include <pthread.h>
#include <signal.h>

#include <thread>
#include <utility>

namespace platform {

// Starts `work` on a new thread; throws std::system_error when the system
// has no thread to give, as std::thread does.
template <class Work> std::thread platformThread(Work &&work) {
  sigset_t all, previous;
  ::sigfillset(&all);
  // Faults and aborts belong to the thread that causes them.
  for (int synchronous : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT})
    ::sigdelset(&all, synchronous);
  ::pthread_sigmask(SIG_SETMASK, &all, &previous);
  struct Restore {
    sigset_t mask;
    ~Restore() { ::pthread_sigmask(SIG_SETMASK, &mask, nullptr); }
  } restore{previous};
  return std::thread(
      [work = std::forward<Work>(work), switches = currentSwitches()]() mutable noexcept {
        try {
          const UsingSwitches settings(switches);
          work();
        } catch (...) {
          // Out of memory or threads: the work has published what it could.
        }
      });
}

} // namespace platform
