#include "common/ProcessLocal.h"

#include <pthread.h>

namespace {

std::atomic<unsigned> generation{0};

void countFork() {
  generation.fetch_add(1, std::memory_order_relaxed);
}

// Registered when the platform is loaded, before any thread of it runs.
const bool registered = [] {
  ::pthread_atfork(nullptr, nullptr, countFork);
  return true;
}();

} // namespace

unsigned platform::forkGeneration() {
  return generation.load(std::memory_order_relaxed);
}
