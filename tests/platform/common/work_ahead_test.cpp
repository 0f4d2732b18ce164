// When an address the work ahead prepared stands for the resolver's answer:
// the timing of a real search decides whether a step is ready, and a lab
// cannot hold a step half done or make it fail on demand, so scripted steps
// stand in for the browse backend's.
#include "common/WorkAhead.h"

#include <support/ScopedEnvironment.h>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace ahead = platform::ahead;
using ahead::AddressStep;

namespace {

enum class Answer { Resolves, DoesNotResolve, Throws };

// Steps for "\\\\PC1" that answer as told (Throws: the first run only) and
// report when a thread took them.
struct ScriptedSteps {
  Answer answer = Answer::Resolves; // set before the steps run
  std::atomic<int> runs = 0;
  std::mutex lock;
  std::condition_variable entered;

  void run(const std::string &container, ahead::Work &work) {
    int run;
    {
      std::lock_guard guard(lock);
      run = ++runs;
    }
    entered.notify_all();
    if (answer == Answer::Throws && run == 1)
      throw std::runtime_error("no thread");
    if (answer == Answer::Resolves)
      work.publishHost(platform::HostEntry{container.substr(2), {}, {0x0100000a}});
    else
      work.publishHost(std::nullopt);
    work.publishListing({NO_ERROR, {}});
  }
  void waitForFirstRun() {
    std::unique_lock guard(lock);
    entered.wait(guard, [&] { return runs > 0; });
  }
};

// Held by the steps themselves: a pool thread may outlive the test's row.
ahead::Steps stepsOf(const std::shared_ptr<ScriptedSteps> &script) {
  return
      [script](const std::string &container, ahead::Work &work) { script->run(container, work); };
}

struct Row {
  const char *what;
  Answer answer;
  const char *asked;
  bool newSearchBeforeAsking;
  bool switchedOffWhenAsking;
  AddressStep expected;
};

const Row kRows[] = {
    {"the search's own answer", Answer::Resolves, "PC1", false, false, AddressStep::Resolved},
    {"a name that does not resolve stays so", Answer::DoesNotResolve, "PC1", false, false,
     AddressStep::Unresolved},
    {"another spelling is resolved as asked", Answer::Resolves, "pc1", false, false,
     AddressStep::NotPrepared},
    {"a computer the list did not name", Answer::Resolves, "PC2", false, false,
     AddressStep::NotPrepared},
    {"an earlier search's answer", Answer::Resolves, "PC1", true, false, AddressStep::NotPrepared},
    {"the work ahead switched off", Answer::Resolves, "PC1", false, true, AddressStep::NotPrepared},
    {"a run that failed before the address", Answer::Throws, "PC1", false, false,
     AddressStep::NotPrepared},
};

} // namespace

TEST(WorkAhead, PreparedAddressStandsForTheResolverOnlyWhenItIsThisSearchsOwn) {
  const testsupport::ScopedEnvironment on("VELNOR_WORKAHEAD", "1");
  for (const Row &row : kRows) {
    SCOPED_TRACE(row.what);
    auto script = std::make_shared<ScriptedSteps>();
    script->answer = row.answer;
    ahead::startSearch();
    ahead::prepare({"\\\\PC1"}, stepsOf(script));
    // Taken by a pool thread: asking now waits for its result.
    script->waitForFirstRun();
    if (row.newSearchBeforeAsking)
      ahead::startSearch();
    std::optional<testsupport::ScopedEnvironment> off;
    if (row.switchedOffWhenAsking)
      off.emplace("VELNOR_WORKAHEAD", "0");

    const ahead::PreparedHost prepared = ahead::preparedHost(row.asked);

    EXPECT_EQ(prepared.step, row.expected);
    if (row.expected == AddressStep::Resolved) {
      EXPECT_EQ(prepared.host.name, "PC1");
    }
  }
}

TEST(WorkAhead, APreparedListingIsHandedOutOnceAndAFailedRunIsDoneAgain) {
  const testsupport::ScopedEnvironment on("VELNOR_WORKAHEAD", "1");
  for (const Answer answer : {Answer::Resolves, Answer::Throws}) {
    SCOPED_TRACE(answer == Answer::Throws ? "failed run" : "prepared run");
    auto script = std::make_shared<ScriptedSteps>();
    script->answer = answer;
    ahead::startSearch();
    ahead::prepare({"\\\\PC1"}, stepsOf(script));
    script->waitForFirstRun();

    EXPECT_EQ(ahead::list("\\\\PC1", stepsOf(script)).status, static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(script->runs, answer == Answer::Throws ? 2 : 1);
    ahead::list("\\\\PC1", stepsOf(script));
    EXPECT_EQ(script->runs, answer == Answer::Throws ? 3 : 2);
  }
}
