// A process-wide object of the platform that a forked child never shares.
//
// A child has only the thread that forked; the parent's object may be locked
// by a thread the child does not have, and its sockets, threads and helper
// processes are the parent's. So the child's first use makes an object of
// its own, as a new process would, and leaves the inherited one untouched:
// never used, never freed (freeing it could close what the parent still
// uses through shared descriptors).
//
// Objects are never destroyed either: the platform's threads may still use
// them while the process exits.
#pragma once

#include <atomic>

namespace platform {

// How many forks lie between the process that loaded the platform and this
// one; the platform's one fork handler (common/ProcessLocal.cpp) counts them.
unsigned forkGeneration();

template <class T> class ProcessLocal {
public:
  // `make` runs on first use in each process; it may throw.
  explicit constexpr ProcessLocal(T *(*make)()) : make_(make) {}
  ProcessLocal(const ProcessLocal &) = delete;
  ProcessLocal &operator=(const ProcessLocal &) = delete;

  T &get() {
    const unsigned generation = forkGeneration();
    Slot *seen = slot_.load(std::memory_order_acquire);
    while (seen == nullptr || seen->generation != generation) {
      auto *fresh = new Slot{generation, make_()};
      if (slot_.compare_exchange_strong(seen, fresh, std::memory_order_acq_rel))
        return *fresh->object;
      // Another thread of this process made one first: use that, and drop
      // ours, which nobody has seen.
      delete fresh->object;
      delete fresh;
    }
    return *seen->object;
  }

  // This process's object if it has made one, else null; never makes one.
  T *made() const {
    const Slot *seen = slot_.load(std::memory_order_acquire);
    return seen != nullptr && seen->generation == forkGeneration() ? seen->object : nullptr;
  }

private:
  struct Slot {
    unsigned generation;
    T *object;
  };
  T *(*make_)();
  std::atomic<Slot *> slot_{nullptr};
};

} // namespace platform
