// The hand-over primitive the event thread relies on: requests run on the thread they
// are meant for, only when it serves them, and the wait of Close serves them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "common/handover.h"

using namespace std::chrono_literals;

// A target owned by a worker: sends from elsewhere run on the worker while it serves,
// an exception travels back to the sender, and the main thread's loop is not woken.
TEST(Handover, TargetSendsRunOnTheOwnerThreadWhileItServes) {
  std::atomic<int> wakes = 0;
  handover::SetWakeHandler([&wakes] { ++wakes; });
  handover::Completion ready, finished;
  const handover::Target* target = nullptr;
  std::thread::id ownSendRanOn, workerId;
  std::thread worker([&] {
    const handover::Target owned;
    owned.Send([&] { ownSendRanOn = std::this_thread::get_id(); });  // runs at once
    workerId = std::this_thread::get_id();
    target = &owned;
    ready.Set();
    handover::ServeUntil(finished);
  });
  ASSERT_TRUE(handover::ServeUntil(ready, 5s));

  std::thread::id ranOn;
  target->Send([&] { ranOn = std::this_thread::get_id(); });
  EXPECT_EQ(ranOn, workerId);
  EXPECT_EQ(ownSendRanOn, workerId);
  try {
    target->Send([] { throw std::runtime_error("refused"); });
    ADD_FAILURE() << "the exception did not reach the sender";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "refused");
  }
  EXPECT_EQ(wakes, 0);
  finished.Set();
  worker.join();
  handover::SetWakeHandler({});
}

// The wait of Close: it runs the main thread's requests as they come, returns when the
// awaited thread says it has ended, and only then.
TEST(Handover, ServeUntilRunsRequestsUntilTheCompletionIsSet) {
  std::atomic<int> wakes = 0;
  handover::SetWakeHandler([&wakes] { ++wakes; });
  handover::Completion ended;
  int ran = 0;
  std::thread eventThread([&] {
    for (int batch = 0; batch < 3; ++batch) handover::RunOnMainThread([&ran] { ++ran; });
    ended.Set();
  });
  EXPECT_TRUE(handover::ServeUntil(ended, 5s));
  eventThread.join();
  EXPECT_EQ(ran, 3);
  EXPECT_EQ(wakes, 3);
  EXPECT_EQ(handover::ServePending(), 0);

  const handover::Completion never;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(handover::ServeUntil(never, 30ms));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
  handover::SetWakeHandler({});
}
