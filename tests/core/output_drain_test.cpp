#include "serial/driver/posix/output_drain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

using namespace std::chrono_literals;
using driver::posix::AwaitDrained;

namespace {

// A line sending `perMs` queued bytes a millisecond (0: held by flow control), one
// character a millisecond at most, on a clock that only sleeping moves.
struct FakeQueue : driver::posix::OutputQueue {
  FakeQueue(std::uint32_t queued, std::uint32_t perMs, Duration deadline, int error)
      : queued(queued), perMs(perMs), deadline(deadline), error(error) {}
  int Queued(std::uint32_t& bytes) override { return bytes = queued, error; }
  int Discard() override { return discarded = true, queued = 0, 0; }
  int Sleep(Duration step) override {
    now += step;
    ++sleeps;
    queued -= std::min<std::uint32_t>(queued, perMs * (step / 1ms));
    return 0;
  }
  std::optional<Duration> TimeLeft() override { return deadline - now; }
  Duration CharacterTime() override { return 1ms; }

  std::uint32_t queued, perMs;
  Duration deadline;
  int error;
  Duration now{};
  int sleeps = 0;
  bool discarded = false;
};

}  // namespace

TEST(OutputDrain, WriteEndsWhenItsBytesLeftOrAtTheDeadlineCountingOnlyWhatLeft) {
  const struct {
    std::uint32_t queued, perMs;
    std::chrono::milliseconds deadline;
    int error;
    std::size_t sent;
    bool discarded;
    std::chrono::milliseconds ended;
  } cases[] = {
      {100, 1, 500ms, 0, 100, false, 100ms},  // drained in time
      {100, 0, 250ms, 0, 0, true, 250ms},     // held by flow control: cut at the deadline
      {100, 2, 30ms, 0, 60, true, 30ms},      // 40 still queued at the deadline
      {150, 0, 10ms, 0, 0, true, 10ms},       // queue holds more than this write
      {100, 0, 10ms, ENOTTY, 100, false, 0ms},  // no queue count: ends when taken
  };
  for (const auto& c : cases) {
    FakeQueue queue(c.queued, c.perMs, c.deadline, c.error);
    std::size_t written = 100;
    EXPECT_EQ(AwaitDrained(queue, written), 0);
    EXPECT_EQ(written, c.sent);
    EXPECT_EQ(queue.discarded, c.discarded);
    EXPECT_EQ(queue.now, c.ended);
    EXPECT_LE(queue.sleeps, 3) << "sleeps as long as the queue needs, never spins";
  }
}
