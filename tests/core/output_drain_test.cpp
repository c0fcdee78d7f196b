#include "serial/driver/posix/output_drain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <tuple>

using namespace std::chrono_literals;
using Duration = std::chrono::nanoseconds;

// A line sending `perMs` bytes a ms (0: held by flow control); only sleeping moves its clock.
struct FakeQueue : driver::posix::OutputQueue {
  FakeQueue(std::uint32_t queued, std::uint32_t perMs, Duration deadline, int error)
      : queued(queued), perMs(perMs), deadline(deadline), error(error) {}
  int Queued(std::uint32_t& bytes) override {
    bytes = queued - std::min<std::uint32_t>(queued, perMs * (now / 1ms));
    return error;
  }
  int Discard() override {
    discarded = true;
    return 0;
  }
  int Sleep(Duration step) override {
    now += step;
    ++sleeps;
    return 0;
  }
  std::optional<Duration> TimeLeft() override { return deadline - now; }
  Duration CharacterTime() override { return 1ms; }
  std::uint32_t queued, perMs;
  Duration deadline, now{};
  int error, sleeps = 0;
  bool discarded = false;
};

TEST(OutputDrain, WriteEndsWhenItsBytesLeftOrAtTheDeadlineCountingOnlyWhatLeft) {
  const std::tuple<std::uint32_t, std::uint32_t, Duration, int, std::size_t, Duration> cases[] = {
      {100, 1, 500ms, 0, 100, 100ms},    // drained in time
      {150, 0, 250ms, 0, 0, 250ms},      // held, with more than this write: cut at the deadline
      {100, 2, 30ms, 0, 60, 30ms},       // 40 still queued at the deadline
      {100, 0, 10ms, ENOTTY, 100, 0ms},  // no queue count: ends when taken
  };
  for (const auto& [queued, perMs, deadline, error, sent, ended] : cases) {
    FakeQueue queue(queued, perMs, deadline, error);
    std::size_t written = 100;
    EXPECT_EQ(AwaitDrained(queue, written), 0);
    EXPECT_EQ(std::tuple(written, queue.now, queue.discarded), std::tuple(sent, ended, sent < 100));
    EXPECT_LE(queue.sleeps, 3) << "sleeps as long as the queue needs, never spins";
  }
}
