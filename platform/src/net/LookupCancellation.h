// Lets a lookup that runs beside others stop early once another has
// answered. The thread that races several links sets a flag for each of
// them; the links' receive loops wait in short slices while a flag is set
// and give up as soon as it is raised.
#pragma once

#include <atomic>
#include <chrono>

namespace platform {

class LookupCancellation {
public:
  // While it lives, lookups on this thread watch `flag`. Whoever raises it
  // may also make `wake` (an eventfd, or -1) readable: the receive loops
  // then wait on it beside their sockets instead of in short slices.
  explicit LookupCancellation(const std::atomic<bool> &flag, int wake = -1);
  ~LookupCancellation();
  LookupCancellation(const LookupCancellation &) = delete;
  LookupCancellation &operator=(const LookupCancellation &) = delete;

  // Whether this thread's lookup has been told to stop.
  static bool requested();
  // How long a receive loop may wait in one go: all of `left` when nobody
  // can cancel this lookup, a short slice otherwise.
  static std::chrono::milliseconds slice(std::chrono::milliseconds left);
  // The descriptor to wait on beside the sockets, or -1.
  static int wakeDescriptor();

private:
  const std::atomic<bool> *previous_;
  int previousWake_;
};

} // namespace platform
