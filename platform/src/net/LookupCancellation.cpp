#include "net/LookupCancellation.h"

#include <algorithm>

namespace platform {

namespace {

// Short enough that a cancelled lookup ends unnoticed; long enough that the
// waiting costs nothing measurable.
constexpr std::chrono::milliseconds kSlice{5};

thread_local const std::atomic<bool> *cancelFlag = nullptr;

} // namespace

LookupCancellation::LookupCancellation(const std::atomic<bool> &flag) : previous_(cancelFlag) {
  cancelFlag = &flag;
}

LookupCancellation::~LookupCancellation() {
  cancelFlag = previous_;
}

bool LookupCancellation::requested() {
  return cancelFlag != nullptr && cancelFlag->load(std::memory_order_acquire);
}

std::chrono::milliseconds LookupCancellation::slice(std::chrono::milliseconds left) {
  return cancelFlag == nullptr ? left : std::min(left, kSlice);
}

} // namespace platform
