#include "mpr/browse/BrowseWorkers.h"

#include "common/ProcessLocal.h"
#include "common/Switches.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

extern char **environ;

namespace platform::browseworkers {

namespace {

namespace records = browseworker;
using Clock = std::chrono::steady_clock;

struct Worker {
  pid_t pid = -1;
  int channel = -1; // this process's end of the socket pair
  Clock::time_point idleSince{};
  // The server of its last listing, whose connection its session keeps.
  std::optional<std::string> lastHost;
};

// A worker asked of the keeper thread; `done` with or without one. One
// started ahead (`ahead`) has nobody waiting and goes to the idle ones.
struct Birth {
  std::optional<Worker> worker;
  bool done = false;
  bool ahead = false;
};

// The workers of one process. The keeper thread starts them and ends idle
// and killed ones; it runs while any worker lives, since a worker's
// PR_SET_PDEATHSIG follows the thread that started it.
struct Pool {
  std::mutex lock;
  std::condition_variable changed; // for requesters: a worker free, or born
  std::condition_variable wake;    // for the keeper
  std::vector<Worker> idle;
  std::deque<std::shared_ptr<Birth>> births;
  std::vector<pid_t> toReap;
  std::set<pid_t> live; // idle, busy and being born (0 until spawned)
  size_t starting = 0;
  std::map<std::string, size_t> busyByHost;
  bool keeperRunning = false;
  std::string program; // empty when no worker was found beside the library
};

// The worker program: in the library's private folder when installed,
// beside the library in the build folder.
std::string findProgram() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void *>(&findProgram), &info) == 0 || info.dli_fname == nullptr)
    return {};
  std::string folder(info.dli_fname);
  const size_t slash = folder.rfind('/');
  folder = slash == std::string::npos ? "." : folder.substr(0, slash);
  for (const std::string &candidate : {folder + "/velnip/browse-worker", folder + "/browse-worker"})
    if (::access(candidate.c_str(), X_OK) == 0)
      return candidate;
  return {};
}

ProcessLocal<Pool> processPool([] {
  auto *pool = new Pool;
  pool->program = findProgram();
  return pool;
});

Pool &pool() {
  return processPool.get();
}

std::optional<Worker> spawn(const std::string &program) {
  if (program.empty())
    return std::nullopt;
  int ends[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
    return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attributes;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawnattr_init(&attributes);
  // The worker's descriptor 3 is its end; dup2 clears close-on-exec.
  ::posix_spawn_file_actions_adddup2(&actions, ends[1], 3);
  ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  // Whatever else the caller left open without close-on-exec stays its own.
  ::posix_spawn_file_actions_addclosefrom_np(&actions, 4);
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  ::posix_spawnattr_setsigmask(&attributes, &none);
  ::posix_spawnattr_setsigdefault(&attributes, &all);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  const std::string parent = std::to_string(::getpid());
  char *argv[] = {const_cast<char *>(program.c_str()), const_cast<char *>(parent.c_str()), nullptr};
  pid_t pid = -1;
  const int failed = ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
  ::posix_spawn_file_actions_destroy(&actions);
  ::posix_spawnattr_destroy(&attributes);
  ::close(ends[1]);
  if (failed != 0) {
    ::close(ends[0]);
    return std::nullopt;
  }
  return Worker{pid, ends[0], Clock::now(), {}};
}

// Call with the lock held.
void endWorker(Pool &workers, const Worker &worker) {
  ::kill(worker.pid, SIGKILL);
  ::close(worker.channel);
  workers.live.erase(worker.pid);
  workers.toReap.push_back(worker.pid);
}

void keep(Pool *workers) {
  std::unique_lock guard(workers->lock);
  for (;;) {
    while (!workers->births.empty()) {
      std::shared_ptr<Birth> birth = workers->births.front();
      workers->births.pop_front();
      guard.unlock();
      std::optional<Worker> worker = spawn(workers->program);
      guard.lock();
      --workers->starting;
      if (worker)
        workers->live.insert(worker->pid);
      if (birth->ahead && worker)
        workers->idle.push_back(std::move(*worker));
      else
        birth->worker = std::move(worker);
      birth->done = true;
      workers->changed.notify_all();
    }
    const Clock::time_point now = Clock::now();
    Clock::time_point nextExpiry = now + kIdleTime;
    for (auto it = workers->idle.begin(); it != workers->idle.end();) {
      if (now - it->idleSince >= kIdleTime) {
        endWorker(*workers, *it);
        it = workers->idle.erase(it);
      } else {
        nextExpiry = std::min(nextExpiry, it->idleSince + kIdleTime);
        ++it;
      }
    }
    if (!workers->toReap.empty()) {
      std::vector<pid_t> ended;
      ended.swap(workers->toReap);
      guard.unlock();
      // Killed with SIGKILL: each is gone at once.
      for (pid_t pid : ended)
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
      guard.lock();
      continue;
    }
    if (workers->live.empty() && workers->starting == 0) {
      workers->keeperRunning = false;
      return;
    }
    if (workers->births.empty())
      workers->wake.wait_until(guard, nextExpiry);
  }
}

// Call with the lock held; false when no keeper can run.
bool ensureKeeper(Pool &workers) {
  if (workers.keeperRunning)
    return true;
  try {
    std::thread(keep, &workers).detach();
  } catch (const std::system_error &) {
    return false;
  }
  workers.keeperRunning = true;
  return true;
}

// Every worker ends with the process, also one busy in a listing that
// would otherwise run on until its parent-death signal.
void endAllAtExit() {
  try {
    Pool &workers = pool();
    std::lock_guard guard(workers.lock);
    for (pid_t pid : workers.live)
      if (pid > 0)
        ::kill(pid, SIGKILL);
  } catch (...) {
  }
}

// A worker for `host`: an idle one (the one that last listed it, whose
// connection to it is open, if there is one), else a new one while there
// is room; else waits for one. Nothing when none can be started.
std::optional<Worker> acquire(Pool &workers, const std::string &host) {
  static std::once_flag registered;
  std::call_once(registered, [] { std::atexit(endAllAtExit); });
  const size_t most = workAheadEnabled() ? kMostWorkers : 1;
  std::unique_lock guard(workers.lock);
  for (;;) {
    if (auto busy = workers.busyByHost.find(host);
        busy != workers.busyByHost.end() && busy->second >= kMostPerHost) {
      workers.changed.wait(guard);
      continue;
    }
    if (!workers.idle.empty()) {
      // The latest to list the host, else the latest released (the oldest
      // reach their idle time and end).
      auto chosen = std::find_if(workers.idle.rbegin(), workers.idle.rend(),
                                 [&](const Worker &w) { return w.lastHost == host; });
      if (chosen == workers.idle.rend())
        chosen = workers.idle.rbegin();
      Worker worker = std::move(*chosen);
      workers.idle.erase(std::next(chosen).base());
      ++workers.busyByHost[host];
      return worker;
    }
    if (workers.live.size() + workers.starting < most) {
      if (!ensureKeeper(workers))
        return std::nullopt;
      auto birth = std::make_shared<Birth>();
      workers.births.push_back(birth);
      ++workers.starting;
      workers.wake.notify_one();
      workers.changed.wait(guard, [&] { return birth->done; });
      if (!birth->worker)
        return std::nullopt;
      ++workers.busyByHost[host];
      return std::move(birth->worker);
    }
    workers.changed.wait(guard);
  }
}

void release(Pool &workers, Worker worker, const std::string &host, bool answered) {
  std::lock_guard guard(workers.lock);
  if (--workers.busyByHost[host] == 0)
    workers.busyByHost.erase(host);
  if (answered) {
    worker.idleSince = Clock::now();
    worker.lastHost = host;
    workers.idle.push_back(std::move(worker));
  } else {
    endWorker(workers, worker);
  }
  workers.changed.notify_all();
  workers.wake.notify_one();
}

int millisecondsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

bool waitFor(int channel, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd watched{channel, events, 0};
    const int ready = ::poll(&watched, 1, millisecondsUntil(deadline));
    if (ready > 0)
      return true;
    if (ready == 0 || errno != EINTR)
      return false;
  }
}

// Sends one request by the deadline; false when the worker cannot take it
// (it has ended since its last answer).
bool sendRequest(const Worker &worker, const records::Request &request,
                 Clock::time_point deadline) {
  const std::string sent = records::framed(records::encodeRequest(request));
  size_t done = 0;
  while (done < sent.size()) {
    if (!waitFor(worker.channel, POLLOUT, deadline))
      return false;
    const ssize_t n = ::send(worker.channel, sent.data() + done, sent.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The answer to the request sent, by the deadline.
std::optional<records::Answer> readAnswer(const Worker &worker, Clock::time_point deadline) {
  records::RecordReader reader;
  std::string chunk(64 * 1024, '\0');
  for (;;) {
    if (std::optional<std::string> payload = reader.next()) {
      // One answer for one request: anything after it is a broken worker.
      if (reader.pending() != 0)
        return std::nullopt;
      return records::decodeAnswer(*payload);
    }
    if (reader.malformed() || !waitFor(worker.channel, POLLIN, deadline))
      return std::nullopt;
    const ssize_t n = ::recv(worker.channel, chunk.data(), chunk.size(), 0);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return std::nullopt;
    reader.feed(std::string_view(chunk.data(), static_cast<size_t>(n)));
  }
}

} // namespace

std::optional<records::Answer> list(const records::Request &request, const std::string &host) {
  Pool &workers = pool();
  std::optional<Clock::time_point> deadline;
  // An idle worker that ended since its last answer (killed from outside)
  // cannot take the request: another one is asked, once.
  for (int attempt = 0; attempt < 2; ++attempt) {
    std::optional<Worker> worker = acquire(workers, host);
    if (!worker)
      return std::nullopt;
    if (!deadline)
      deadline = Clock::now() + kDeadline;
    std::optional<records::Answer> answer;
    bool sent = false;
    try {
      sent = sendRequest(*worker, request, *deadline);
      if (sent)
        answer = readAnswer(*worker, *deadline);
    } catch (const std::bad_alloc &) {
      sent = true;
    }
    release(workers, std::move(*worker), host, answer.has_value());
    if (sent)
      return answer;
  }
  return std::nullopt;
}

void startAhead(size_t count) {
  if (!workAheadEnabled())
    return;
  Pool &workers = pool();
  std::lock_guard guard(workers.lock);
  const size_t busy = workers.live.size() + workers.starting - workers.idle.size();
  const size_t wanted = std::min(count + busy, kMostWorkers);
  while (workers.live.size() + workers.starting < wanted && ensureKeeper(workers)) {
    auto birth = std::make_shared<Birth>();
    birth->ahead = true;
    workers.births.push_back(birth);
    ++workers.starting;
  }
  workers.wake.notify_one();
}

size_t liveWorkers() {
  Pool &workers = pool();
  std::lock_guard guard(workers.lock);
  return workers.live.size();
}

} // namespace platform::browseworkers
