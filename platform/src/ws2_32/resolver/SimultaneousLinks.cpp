#include "ws2_32/resolver/SimultaneousLinks.h"

#include "common/PlatformThread.h"
#include "net/LookupCancellation.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace platform {

std::optional<HostEntry> SimultaneousLinks::byName(const std::string &name) {
  std::mutex lock;
  std::condition_variable changed;
  std::optional<HostEntry> answer;
  size_t pending = links_.size();
  std::atomic<bool> stop{false};
  std::exception_ptr failure;

  const auto ask = [&](ResolverBackend *link) {
    std::optional<HostEntry> entry;
    {
      const LookupCancellation cancellation(stop);
      try {
        entry = link->byName(name);
      } catch (...) {
        // Out of memory or threads: unless another link answers, the call
        // fails as it would have with the link asked here.
        const std::lock_guard hold(lock);
        failure = std::current_exception();
      }
    }
    const std::lock_guard hold(lock);
    if (entry && !entry->addresses.empty() && !answer) {
      answer = std::move(entry);
      stop.store(true, std::memory_order_release);
    }
    --pending;
    changed.notify_all();
  };

  std::vector<std::thread> threads;
  threads.reserve(links_.size());
  try {
    for (ResolverBackend *link : links_)
      threads.push_back(platformThread([&ask, link] { ask(link); }));
  } catch (const std::system_error &) {
    // No thread to be had: the rest are asked here, one after another.
    for (size_t i = threads.size(); i < links_.size(); ++i)
      ask(links_[i]);
  }
  {
    std::unique_lock hold(lock);
    changed.wait(hold, [&] { return answer.has_value() || pending == 0; });
  }
  stop.store(true, std::memory_order_release);
  for (std::thread &thread : threads)
    thread.join();
  if (!answer && failure)
    std::rethrow_exception(failure);
  return answer;
}

} // namespace platform
