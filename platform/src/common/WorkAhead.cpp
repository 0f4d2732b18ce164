#include "common/WorkAhead.h"

#include "common/AsciiCase.h"
#include "common/PlatformThread.h"
#include "common/ProcessLocal.h"
#include "common/Switches.h"

#include <algorithm>
#include <deque>
#include <map>
#include <new>

namespace platform::ahead {

namespace {

struct Prepared {
  std::shared_ptr<Work> work;
  Clock::time_point queuedAt;
  std::string container; // as the listing above spelled it
  bool listingTaken = false;
};

// The pool and what it prepared for the current search, one per process.
struct State {
  std::mutex lock;
  std::deque<std::function<void()>> jobs;
  size_t workers = 0;
  std::optional<Clock::time_point> searchStart;
  std::map<std::string, Prepared> prepared; // by lower-case container
  std::map<uint32_t, Clock::time_point> unreachable;
};

platform::ProcessLocal<State> processState([] { return new State; });

State &state() {
  return processState.get();
}

// Runs queued jobs until there are none; a thread that finds the queue empty
// ends, so an idle process keeps no threads.
void serve(State *pool) {
  std::unique_lock guard(pool->lock);
  while (!pool->jobs.empty()) {
    std::function<void()> job = std::move(pool->jobs.front());
    pool->jobs.pop_front();
    guard.unlock();
    try {
      job();
    } catch (...) {
      // The job's work is left "not prepared"; the next job may fare better.
    }
    guard.lock();
  }
  --pool->workers;
}

// Call with the lock held.
void enqueue(State &pool, std::function<void()> job) {
  pool.jobs.push_back(std::move(job));
  if (pool.workers >= kWorkers)
    return;
  ++pool.workers;
  try {
    platformThread([&pool] { serve(&pool); }).detach();
  } catch (const std::system_error &) {
    // Without a thread the job waits for a running one, or for the caller
    // who needs its result: that one runs it itself.
    --pool.workers;
  }
}

// Queued in the current search (or before any, for a caller that never lists
// the top level) and young enough.
bool fresh(const State &pool, const Prepared &entry) {
  return (!pool.searchStart || entry.queuedAt >= *pool.searchStart) &&
         Clock::now() - entry.queuedAt < kTrustFor;
}

} // namespace

bool enabled() {
  return workAheadEnabled();
}

void startSearch() {
  State &pool = state();
  std::lock_guard guard(pool.lock);
  pool.searchStart = Clock::now();
  pool.prepared.clear();
  pool.unreachable.clear();
  // Jobs not yet started belong to the earlier search; whoever holds their
  // work runs it when they need it.
  pool.jobs.clear();
}

void noteUnreachable(uint32_t address, Clock::time_point when) {
  State &pool = state();
  std::lock_guard guard(pool.lock);
  if (!pool.searchStart || when < *pool.searchStart)
    return;
  if (pool.unreachable.size() >= kMaxUnreachable && pool.unreachable.count(address) == 0)
    return;
  pool.unreachable[address] = when;
}

std::optional<Clock::time_point> unreachableSince(uint32_t address) {
  State &pool = state();
  std::lock_guard guard(pool.lock);
  const auto found = pool.unreachable.find(address);
  if (found == pool.unreachable.end())
    return std::nullopt;
  return found->second;
}

bool Work::claim() {
  std::lock_guard guard(lock_);
  if (claimed_)
    return false;
  claimed_ = true;
  runner_ = std::this_thread::get_id();
  return true;
}

void Work::fail() {
  std::lock_guard guard(lock_);
  failed_ = true;
  changed_.notify_all();
}

void Work::run(const std::string &container, const Steps &steps, bool speculative) {
  if (!claim())
    return;
  try {
    steps(container, *this);
  } catch (...) {
    fail();
    if (!speculative)
      throw;
    return;
  }
  // Steps that return without a result leave it "not prepared" too.
  std::lock_guard guard(lock_);
  if (host_.step == AddressStep::NotPrepared || !listing_)
    failed_ = true;
  changed_.notify_all();
}

void Work::publishHost(std::optional<HostEntry> host) {
  std::lock_guard guard(lock_);
  host_ = host ? PreparedHost{AddressStep::Resolved, std::move(*host)}
               : PreparedHost{AddressStep::Unresolved, {}};
  changed_.notify_all();
}

void Work::publishListing(Listing listing) {
  std::lock_guard guard(lock_);
  listing_ = std::move(listing);
  changed_.notify_all();
}

std::optional<Listing> Work::listing() {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [&] { return listing_.has_value() || failed_; });
  return listing_;
}

PreparedHost Work::host() {
  std::unique_lock guard(lock_);
  if (!claimed_ || runner_ == std::this_thread::get_id())
    return host_;
  changed_.wait(guard, [&] { return host_.step != AddressStep::NotPrepared || failed_; });
  return host_;
}

void prepare(const std::vector<std::string> &containers, const Steps &steps) {
  if (!enabled())
    return;
  const SwitchSettings switches = currentSwitches();
  State &pool = state();
  std::lock_guard guard(pool.lock);
  for (const std::string &container : containers) {
    if (pool.prepared.size() >= kMaxPrepared)
      std::erase_if(pool.prepared, [&](const auto &entry) { return !fresh(pool, entry.second); });
    if (pool.prepared.size() >= kMaxPrepared)
      return;
    const std::string key = asciiLowered(container);
    if (auto known = pool.prepared.find(key);
        known != pool.prepared.end() && fresh(pool, known->second))
      continue;
    auto work = std::make_shared<Work>();
    pool.prepared[key] = {work, Clock::now(), container, false};
    enqueue(pool, [work, steps, container, switches] {
      const UsingSwitches settings(switches);
      work->run(container, steps, true);
    });
  }
}

Listing list(const std::string &container, const Steps &steps) {
  std::shared_ptr<Work> work;
  if (enabled()) {
    State &pool = state();
    std::lock_guard guard(pool.lock);
    if (auto known = pool.prepared.find(asciiLowered(container));
        known != pool.prepared.end() && fresh(pool, known->second) && !known->second.listingTaken) {
      known->second.listingTaken = true;
      work = known->second.work;
    }
  }
  if (work != nullptr) {
    work->run(container, steps, false);
    if (std::optional<Listing> listing = work->listing())
      return std::move(*listing);
  }
  // Not prepared, or its run failed: the step itself, here.
  Work own;
  own.run(container, steps, false);
  return own.listing().value_or(Listing{ERROR_NOT_ENOUGH_MEMORY, {}});
}

PreparedHost preparedHost(const std::string &name) {
  if (!enabled())
    return {};
  std::shared_ptr<Work> work;
  {
    State &pool = state();
    std::lock_guard guard(pool.lock);
    auto known = pool.prepared.find(asciiLowered("\\\\" + name));
    if (known == pool.prepared.end() || !fresh(pool, known->second) ||
        known->second.container != "\\\\" + name)
      return {};
    work = known->second.work;
  }
  return work->host();
}

} // namespace platform::ahead
