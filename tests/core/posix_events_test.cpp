#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "support/pseudo_terminal.h"

using namespace driver;
using namespace std::chrono_literals;
using namespace test_support;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::uint32_t kAllTen = 0x05FF;

struct Waited {
  int error = -1;
  std::uint32_t occurred = 0;
  Clock::duration took{};
  std::chrono::microseconds cpu{};
};

// One WaitEvent; `interrupt` runs on another thread after `after` unless the wait has
// ended before.
template <typename Interrupt>
Waited WaitWith(Device& device, std::chrono::milliseconds after, Interrupt interrupt) {
  WakeEvent stop, ended;
  Waited waited;
  const auto start = Clock::now();
  const auto cpu = ThreadCpuTime();
  std::thread other([&] {
    if (!ended.Wait(after)) interrupt(stop);
  });
  waited.error = device.WaitEvent(waited.occurred, stop);
  waited.took = Clock::now() - start;
  waited.cpu = ThreadCpuTime() - cpu;
  ended.Set();
  other.join();
  return waited;
}

// A wait that finds nothing ends with ECANCELED at the limit.

Waited WaitAtMost(Device& device, std::chrono::milliseconds limit) {
  return WaitWith(device, limit, [](WakeEvent& stop) { stop.Set(); });
}

class PosixEvents : public test_support::PtyPortTest {
 protected:
  void SetUp() override {
    Open(Timeouts(MAXDWORD, 0, 0, 0, 1000));
    ASSERT_EQ(device_->SetEventMask(kAllTen), 0);
  }
};

}  // namespace

TEST_F(PosixEvents, ReceivedBytesAreReportedOnceUntilMoreArrive) {
  pty_.Send("a");
  ASSERT_EQ(InputCountOnceSettled(*device_, 1), 1u);
  // Arrived while no wait was pending: the next wait reports it at once.
  Waited waited = WaitAtMost(*device_, 20s);
  EXPECT_EQ(waited.error, 0);
  EXPECT_EQ(waited.occurred, EV_RXCHAR);
  EXPECT_LT(waited.took, 10s);

  // The byte stays unread: nothing new to report, and the wait sleeps.
  waited = WaitAtMost(*device_, 300ms);
  EXPECT_EQ(waited.error, ECANCELED);
  EXPECT_EQ(waited.occurred, 0u);
  EXPECT_LT(waited.cpu, 60ms);

  waited = WaitWith(*device_, 100ms, [&](WakeEvent&) { pty_.Send("b"); });
  EXPECT_EQ(waited.error, 0);
  EXPECT_EQ(waited.occurred, EV_RXCHAR);

  // After the bytes were read, a new arrival is still told apart from the old ones.
  EXPECT_EQ(Read(*device_, 2).bytes, "ab");
  waited = WaitWith(*device_, 100ms, [&](WakeEvent&) { pty_.Send("c"); });
  EXPECT_EQ(waited.occurred, EV_RXCHAR);
}

TEST_F(PosixEvents, EmptiedOutputQueueIsReportedAfterEachWrite) {
  ASSERT_EQ(Write(*device_, "hi").error, 0);
  Waited waited = WaitAtMost(*device_, 2000ms);
  EXPECT_EQ(waited.error, 0);
  EXPECT_EQ(waited.occurred, EV_TXEMPTY);
  EXPECT_EQ(WaitAtMost(*device_, 200ms).occurred, 0u);  // not again without a write

  // A write on another thread wakes a wait that is already pending.
  waited = WaitWith(*device_, 100ms, [&](WakeEvent&) { EXPECT_EQ(Write(*device_, "again").error, 0); });
  EXPECT_EQ(waited.error, 0);
  EXPECT_EQ(waited.occurred, EV_TXEMPTY);
  EXPECT_EQ(pty_.Receive(7, 1s), "hiagain");
}

TEST_F(PosixEvents, OnlySelectedEventsAreReported) {
  ASSERT_EQ(device_->SetEventMask(EV_TXEMPTY), 0);
  pty_.Send("unselected");
  const Waited waited = WaitAtMost(*device_, 300ms);
  EXPECT_EQ(waited.error, ECANCELED);
  EXPECT_EQ(waited.occurred, 0u);
}

TEST_F(PosixEvents, InputQueueReachingEightyPercentIsReportedOnce) {
  ASSERT_EQ(device_->SetQueueSizes(10, 10), 0);
  pty_.Send("12345678");
  ASSERT_EQ(InputCountOnceSettled(*device_, 8), 8u);
  EXPECT_EQ(WaitAtMost(*device_, 2000ms).occurred, EV_RXCHAR | EV_RX80FULL);
  pty_.Send("9");
  ASSERT_EQ(InputCountOnceSettled(*device_, 9), 9u);
  EXPECT_EQ(WaitAtMost(*device_, 2000ms).occurred, EV_RXCHAR);
}

TEST_F(PosixEvents, NewMaskEndsAPendingWaitWithoutError) {
  const Waited waited = WaitWith(*device_, 100ms, [&](WakeEvent&) {
    EXPECT_EQ(device_->SetEventMask(EV_RXCHAR), 0);
  });
  EXPECT_EQ(waited.error, 0);
  EXPECT_EQ(waited.occurred, 0u);
  EXPECT_LT(waited.took, 2s);
}

TEST_F(PosixEvents, StopAndCloseEndAPendingWait) {
  WakeEvent stopped(true);
  std::uint32_t occurred = 1;
  EXPECT_EQ(device_->WaitEvent(occurred, stopped), ECANCELED);
  EXPECT_EQ(occurred, 0u);

  const Waited waited = WaitWith(*device_, 100ms, [&](WakeEvent&) { device_->Close(); });
  EXPECT_EQ(waited.error, ECANCELED);
  EXPECT_LT(waited.took, 2s);
  EXPECT_EQ(WaitAtMost(*device_, 100ms).error, EBADF);
}

TEST_F(PosixEvents, VanishedDeviceEndsTheWaitWithAnError) {
  const Waited waited = WaitWith(*device_, 100ms, [&](WakeEvent&) { pty_.HangUp(); });
  EXPECT_EQ(waited.error, EIO);
  EXPECT_LT(waited.cpu, 60ms);
  // The next wait fails at once instead of sleeping for good.
  const Waited next = WaitAtMost(*device_, 20s);
  EXPECT_EQ(next.error, EIO);
  EXPECT_LT(next.took, 10s);
}
