// The modem-line half of the Linux event wait. Pseudo-terminals have no modem lines,
// so the lines here are played by the test.
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include "serial/driver/posix/line_watch.h"
#include "serial/driver/records.h"
#include "support/played_modem_lines.h"

using namespace driver;
using driver::posix::LineCounters;

TEST(LineCounters, ModemEventsAreTheLinesWhoseCountersMoved) {
  const LineCounters before{.available = true, .cts = 0xFFFFFFFF, .rx = 3};
  const struct {
    LineCounters after;
    std::uint32_t events;
  } cases[] = {
      {before, 0},
      {{.available = true, .cts = 0xFFFFFFFF, .rx = 9, .frame = 1, .brk = 1}, 0},
      {{.available = true}, EV_CTS},  // the totals wrap
      {{.available = true, .cts = 0xFFFFFFFF, .dsr = 1}, EV_DSR},
      {{.available = true, .cts = 0xFFFFFFFF, .rng = 1}, EV_RING},
      {{.available = true, .cts = 0xFFFFFFFF, .dcd = 2}, EV_RLSD},
      {{.available = true, .cts = 1, .dsr = 1, .rng = 1, .dcd = 1}, EV_CTS | EV_DSR | EV_RING | EV_RLSD},
  };
  for (const auto& c : cases) EXPECT_EQ(posix::ModemEventsBetween(before, c.after), c.events);
}

TEST(LineWatch, WakesForSelectedLinesOnlyAndEndsWhileBlocked) {
  test_support::PlayedModemLines lines;
  WakeEvent moved;
  {
    const posix::LineWatch watch(lines, EV_CTS | EV_RLSD, moved);
    ASSERT_TRUE(lines.Entered(1));
    EXPECT_EQ(lines.WaitedLines(), TIOCM_CTS | TIOCM_CD);
    lines.Move({.available = true, .dsr = 1, .rng = 1});  // not selected
    ASSERT_TRUE(lines.Entered(2));
    EXPECT_FALSE(moved.IsSet());
    lines.Move({.available = true, .dsr = 1, .rng = 1, .dcd = 1});
    ASSERT_TRUE(lines.Entered(3));
    EXPECT_TRUE(moved.IsSet());
  }  // ends blocked in the read
  // Ended mostly on its way into the blocking call, where a signal is lost.
  for (int waits = 4; waits < 54; ++waits) {
    const posix::LineWatch watch(lines, EV_RING, moved);
    ASSERT_TRUE(lines.Entered(waits));
  }
}
