#include "common/WorkAhead.h"

#include "common/AsciiCase.h"
#include "common/ProcessLocal.h"
#include "common/Switches.h"

#include <deque>
#include <map>
#include <new>

namespace platform::ahead {

namespace {

struct Prepared {
  std::shared_ptr<Work> work;
  Clock::time_point queuedAt;
  bool listingTaken = false;
};

// The pool and what it prepared for the current walk, one per process.
struct State {
  std::mutex lock;
  std::deque<std::function<void()>> jobs;
  size_t workers = 0;
  Clock::time_point walkStart{};
  std::map<std::string, Prepared> prepared; // by lower-case container
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
    job();
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
    std::thread(serve, &pool).detach();
  } catch (const std::system_error &) {
    // Without a thread the job waits for a running one, or for the caller
    // who needs its result: that one runs it itself.
    --pool.workers;
  }
}

bool fresh(const State &pool, const Prepared &entry) {
  return entry.queuedAt >= pool.walkStart && Clock::now() - entry.queuedAt < kTrustFor;
}

} // namespace

bool enabled() {
  return workAheadEnabled();
}

void startWalk() {
  State &pool = state();
  std::lock_guard guard(pool.lock);
  pool.walkStart = Clock::now();
  pool.prepared.clear();
  // Jobs not yet started belong to the earlier walk; whoever holds their
  // work runs it when they need it.
  pool.jobs.clear();
}

Clock::time_point walkStartedAt() {
  State &pool = state();
  std::lock_guard guard(pool.lock);
  return pool.walkStart;
}

bool Work::claim() {
  std::lock_guard guard(lock_);
  if (claimed_)
    return false;
  claimed_ = true;
  runner_ = std::this_thread::get_id();
  return true;
}

void Work::run(const std::string &container, const Steps &steps) {
  if (!claim())
    return;
  try {
    steps(container, *this);
  } catch (...) {
    // Out of memory or threads: those who wait get a failure, not a hang.
  }
  std::lock_guard guard(lock_);
  if (!host_)
    host_.emplace();
  if (!listing_)
    listing_.emplace(Listing{ERROR_NOT_ENOUGH_MEMORY, {}});
  changed_.notify_all();
}

void Work::publishHost(std::optional<HostEntry> host) {
  std::lock_guard guard(lock_);
  host_ = std::move(host);
  changed_.notify_all();
}

void Work::publishListing(Listing listing) {
  std::lock_guard guard(lock_);
  listing_ = std::move(listing);
  changed_.notify_all();
}

Listing Work::listing() {
  std::unique_lock guard(lock_);
  changed_.wait(guard, [&] { return listing_.has_value(); });
  return *listing_;
}

std::optional<std::optional<HostEntry>> Work::host() {
  std::unique_lock guard(lock_);
  if (!claimed_ || runner_ == std::this_thread::get_id())
    return host_;
  changed_.wait(guard, [&] { return host_.has_value(); });
  return host_;
}

void prepare(const std::vector<std::string> &containers, const Steps &steps) {
  if (!enabled())
    return;
  State &pool = state();
  std::lock_guard guard(pool.lock);
  for (const std::string &container : containers) {
    if (pool.prepared.size() >= kMaxPrepared)
      return;
    const std::string key = asciiLowered(container);
    if (auto known = pool.prepared.find(key);
        known != pool.prepared.end() && fresh(pool, known->second))
      continue;
    auto work = std::make_shared<Work>();
    pool.prepared[key] = {work, Clock::now(), false};
    enqueue(pool, [work, steps, container] { work->run(container, steps); });
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
  if (work == nullptr)
    work = std::make_shared<Work>();
  work->run(container, steps);
  return work->listing();
}

std::optional<std::optional<HostEntry>> preparedHost(const std::string &name) {
  if (!enabled())
    return std::nullopt;
  std::shared_ptr<Work> work;
  {
    State &pool = state();
    std::lock_guard guard(pool.lock);
    auto known = pool.prepared.find(asciiLowered("\\\\" + name));
    if (known == pool.prepared.end() || !fresh(pool, known->second))
      return std::nullopt;
    work = known->second.work;
  }
  return work->host();
}

} // namespace platform::ahead
