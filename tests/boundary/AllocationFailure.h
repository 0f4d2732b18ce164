// The allocation-failure hook of the test build. This binary replaces the
// global operator new and delete, and the dynamic linker binds the platform's
// and velnip's allocations to them too, so a test can make exactly the k-th
// C++ allocation of one call throw std::bad_alloc.
#pragma once

namespace testsupport {

// While alive, the k-th operator new on this thread (counting from 1) throws
// std::bad_alloc; every other allocation is served.
class FailingAllocation {
public:
  explicit FailingAllocation(long k);
  ~FailingAllocation();
  FailingAllocation(const FailingAllocation &) = delete;
  FailingAllocation &operator=(const FailingAllocation &) = delete;

  // Whether the k-th allocation was reached (and failed).
  bool fired() const;
};

} // namespace testsupport
