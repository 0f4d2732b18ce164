#include "AllocationFailure.h"

#include <cstdlib>
#include <new>

namespace {

// Allocations left before the one that fails; 0 when not armed.
thread_local long countdown = 0;
thread_local bool failed = false;

void *allocate(std::size_t size) {
  if (countdown > 0 && --countdown == 0) {
    failed = true;
    throw std::bad_alloc();
  }
  if (void *block = std::malloc(size != 0 ? size : 1))
    return block;
  throw std::bad_alloc();
}

void *allocateOrNull(std::size_t size) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc &) {
    return nullptr;
  }
}

} // namespace

testsupport::FailingAllocation::FailingAllocation(long k) {
  failed = false;
  countdown = k;
}

testsupport::FailingAllocation::~FailingAllocation() {
  countdown = 0;
}

bool testsupport::FailingAllocation::fired() const {
  return failed;
}

// The plain and nothrow forms with their deletes, so that every block goes
// back to the allocator it came from (AddressSanitizer checks the pairing).
// Over-aligned forms keep the runtime's own pair.
void *operator new(std::size_t size) {
  return allocate(size);
}
void *operator new[](std::size_t size) {
  return allocate(size);
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
  return allocateOrNull(size);
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
  return allocateOrNull(size);
}
void operator delete(void *block) noexcept {
  std::free(block);
}
void operator delete[](void *block) noexcept {
  std::free(block);
}
void operator delete(void *block, std::size_t) noexcept {
  std::free(block);
}
void operator delete[](void *block, std::size_t) noexcept {
  std::free(block);
}
