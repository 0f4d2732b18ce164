// Holds the backend a family of Win32 calls uses: the system one unless a
// test installed a scripted one. The work ahead's threads read the slot
// while a test may install another, so it is atomic.
#pragma once

#include <atomic>

namespace platform {

template <class Backend> class BackendSlot {
public:
  explicit constexpr BackendSlot(Backend &(*systemBackend)()) : system_(systemBackend) {}
  void install(Backend *backend) { installed_.store(backend, std::memory_order_release); }
  Backend &current() const {
    Backend *installed = installed_.load(std::memory_order_acquire);
    return installed != nullptr ? *installed : system_();
  }

private:
  Backend &(*system_)();
  std::atomic<Backend *> installed_{nullptr};
};

} // namespace platform
