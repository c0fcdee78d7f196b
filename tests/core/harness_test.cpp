// The harness's own guard: the leak check waits for a thread that is ending but still
// finds one that stays.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "support/process_counts.h"

using namespace std::chrono_literals;

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
