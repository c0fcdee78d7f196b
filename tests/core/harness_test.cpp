// The harness's own guards: a hung program is killed and fails the test; the leak check
// waits for a thread that is ending but still finds one that stays.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <csignal>
#include <future>
#include <thread>

#include "support/process_counts.h"
#include "support/program_run.h"

using namespace std::chrono_literals;

TEST(Harness, AProgramPastItsTimeLimitIsKilledAndFailsTheTest) {
  static test_support::ProgramResult result;  // static: the failure check runs it apart
  EXPECT_NONFATAL_FAILURE(result = test_support::RunProgram("/bin/sleep", {"30"}, -1, 1s),
                          "/bin/sleep was still running at its time limit and was killed");
  EXPECT_EQ(result.status, 128 + SIGKILL);
}

TEST(Harness, LeakCheckWaitsForAThreadThatIsEndingButNotForOneThatStays) {
  static const ProcessCounts before = ProcessCounts::Now();
  std::thread([] { std::this_thread::sleep_for(100ms); }).detach();
  ExpectNoLeakSince(before);
  std::promise<void> release;
  std::thread staying([ended = release.get_future()] { ended.wait(); });
  EXPECT_NONFATAL_FAILURE(ExpectNoLeakSince(before), "threads leaked");
  release.set_value();
  staying.join();
}
