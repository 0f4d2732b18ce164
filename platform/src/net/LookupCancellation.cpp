#include "net/LookupCancellation.h"

#include <algorithm>

namespace platform {

namespace {

// Short enough that a cancelled lookup ends unnoticed; long enough that the
// waiting costs nothing measurable.
constexpr std::chrono::milliseconds kSlice{5};

thread_local const std::atomic<bool> *cancelFlag = nullptr;
thread_local int wakeFd = -1;

} // namespace

LookupCancellation::LookupCancellation(const std::atomic<bool> &flag, int wake)
    : previous_(cancelFlag), previousWake_(wakeFd) {
  cancelFlag = &flag;
  wakeFd = wake;
}

LookupCancellation::~LookupCancellation() {
  cancelFlag = previous_;
  wakeFd = previousWake_;
}

bool LookupCancellation::requested() {
  return cancelFlag != nullptr && cancelFlag->load(std::memory_order_acquire);
}

std::chrono::milliseconds LookupCancellation::slice(std::chrono::milliseconds left) {
  return cancelFlag == nullptr || wakeFd >= 0 ? left : std::min(left, kSlice);
}

int LookupCancellation::wakeDescriptor() {
  return wakeFd;
}

} // namespace platform
