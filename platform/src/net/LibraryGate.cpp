#include "net/LibraryGate.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace platform {

namespace {

struct Gate {
  std::mutex lock;
  std::condition_variable changed;
  int inside = 0;
  bool forking = false;
  bool exiting = false;
};

// Replaced in a forked child: the parent's condition variable may have
// waiters the child does not have. Never freed, as the platform's other
// process-wide objects.
std::atomic<Gate *> current{new Gate};
std::atomic<bool> closing{false};
// Calls into a library that this thread is inside already: a call made
// from within another (a reply parsed inside a transfer) passes freely, or a
// fork waiting for the outer one would wait for ever.
thread_local int depth = 0;

} // namespace

LibraryCall::LibraryCall() {
  if (depth > 0) {
    entered_ = true;
    ++depth;
    return;
  }
  Gate &gate = *current.load(std::memory_order_acquire);
  std::unique_lock guard(gate.lock);
  gate.changed.wait(guard, [&] { return !gate.forking; });
  entered_ = !gate.exiting;
  if (entered_) {
    ++gate.inside;
    depth = 1;
  }
}

LibraryCall::~LibraryCall() {
  if (!entered_ || --depth > 0)
    return;
  Gate &gate = *current.load(std::memory_order_acquire);
  std::lock_guard guard(gate.lock);
  if (--gate.inside == 0)
    gate.changed.notify_all();
}

bool libraryGateClosing() {
  return closing.load(std::memory_order_relaxed);
}

void closeLibraryGateForFork() {
  Gate &gate = *current.load(std::memory_order_acquire);
  closing = true;
  std::unique_lock guard(gate.lock);
  gate.forking = true;
  gate.changed.wait(guard, [&] { return gate.inside == 0; });
  // Held through the fork, so that the child's copy is in a known state.
  guard.release();
}

void reopenLibraryGateAfterFork(bool child) {
  Gate &gate = *current.load(std::memory_order_acquire);
  if (child) {
    auto *fresh = new Gate;
    fresh->exiting = gate.exiting;
    current.store(fresh, std::memory_order_release);
    closing = fresh->exiting;
    return;
  }
  gate.forking = false;
  closing = gate.exiting;
  gate.lock.unlock();
  gate.changed.notify_all();
}

void closeLibraryGateForExit() {
  Gate &gate = *current.load(std::memory_order_acquire);
  closing = true;
  std::unique_lock guard(gate.lock);
  gate.exiting = true;
  gate.changed.wait(guard, [&] { return gate.inside == 0; });
}

} // namespace platform
