// Holds the backend a family of Win32 calls uses: the system one unless a
// test installed a scripted one.
#pragma once

namespace platform {

template <class Backend> class BackendSlot {
public:
  explicit constexpr BackendSlot(Backend &(*systemBackend)()) : system_(systemBackend) {}
  void install(Backend *backend) { installed_ = backend; }
  Backend &current() const { return installed_ != nullptr ? *installed_ : system_(); }

private:
  Backend &(*system_)();
  Backend *installed_ = nullptr;
};

} // namespace platform
