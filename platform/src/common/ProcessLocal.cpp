#include "common/ProcessLocal.h"

#include "net/LibraryGate.h"

#include <pthread.h>

namespace {

std::atomic<unsigned> generation{0};

// The platform's one fork handler. Before the fork, no platform thread may
// be inside libxml2 or libcurl (net/LibraryGate.h); after it, the child
// counts one more generation, so every ProcessLocal makes its object anew.
void beforeFork() {
  platform::closeLibraryGateForFork();
}

void afterForkInParent() {
  platform::reopenLibraryGateAfterFork(false);
}

void afterForkInChild() {
  generation.fetch_add(1, std::memory_order_relaxed);
  platform::reopenLibraryGateAfterFork(true);
}

// Registered when the platform is loaded, before any thread of it runs.
const bool registered = [] {
  ::pthread_atfork(beforeFork, afterForkInParent, afterForkInChild);
  return true;
}();

} // namespace

unsigned platform::forkGeneration() {
  return generation.load(std::memory_order_relaxed);
}
